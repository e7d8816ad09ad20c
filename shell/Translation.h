#pragma once
/**
 * @file Translation.h
 * @brief The desktop program's windows and menus as the language manager sees them.
 *
 * A control takes part in translation when it carries its identifier in the property
 * "gzControlId" (the numbers of i18n/UiIds.h); a menu item when its action's data holds its
 * command number. TranslateWidget first gives every such control its built-in text, then lets
 * the current language file replace what it has.
 */
#include "i18n/LanguageManager.h"

class QMenu;
class QWidget;

namespace shell {

inline constexpr const char* kControlIdProperty = "gzControlId";

class WidgetTranslation final : public i18n::TranslatableWindow {
public:
    explicit WidgetTranslation(QWidget* root) : root_(root) {}
    std::vector<int> ControlIds() const override;
    void SetControlText(int controlId, const std::string& text) override;
    void SetTitle(const std::string& text) override;

private:
    QWidget* root_;
};

class MenuTranslation final : public i18n::TranslatableMenu {
public:
    explicit MenuTranslation(QMenu* menu);
    ~MenuTranslation() override;
    int ItemCount() const override;
    int ItemId(int position) const override;
    void SetItemText(int position, const std::string& text) override;
    i18n::TranslatableMenu* SubMenu(int position) override;

private:
    QMenu* menu_;
    std::vector<std::unique_ptr<MenuTranslation>> subs_;
};

/** Built-in texts, then the language file's, for the controls of a dialog and its title. */
void TranslateWidget(QWidget* root, int dialog);
/** Built-in texts, then the language file's, for every item of a menu and its pop-ups. */
void TranslateMenu(QMenu* menu, bool mainWindowMenu = false);

}  // namespace shell
