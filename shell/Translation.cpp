#include "shell/Translation.h"

#include "i18n/UiTexts.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QWidget>

namespace shell {
namespace {

QList<QWidget*> Controls(QWidget* root, int id)
{
    QList<QWidget*> found;
    for (QWidget* w : root->findChildren<QWidget*>())
        if (w->property(kControlIdProperty).toInt() == id) found << w;
    return found;
}

void SetText(QWidget* w, const QString& text)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(text);
    else if (auto* e = qobject_cast<QLineEdit*>(w)) e->setPlaceholderText(text);
    else w->setWindowTitle(text);
}

}  // namespace

std::vector<int> WidgetTranslation::ControlIds() const
{
    std::vector<int> ids;
    for (QWidget* w : root_->findChildren<QWidget*>()) {
        bool ok = false;
        const int id = w->property(kControlIdProperty).toInt(&ok);
        if (ok && id > 0 && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    }
    return ids;
}

void WidgetTranslation::SetControlText(int controlId, const std::string& text)
{
    for (QWidget* w : Controls(root_, controlId)) SetText(w, QString::fromStdString(text));
}

void WidgetTranslation::SetTitle(const std::string& text) { root_->setWindowTitle(QString::fromStdString(text)); }

MenuTranslation::MenuTranslation(QMenu* menu) : menu_(menu) {}
MenuTranslation::~MenuTranslation() = default;

int MenuTranslation::ItemCount() const { return static_cast<int>(menu_->actions().size()); }

int MenuTranslation::ItemId(int position) const
{
    QAction* a = menu_->actions().value(position);
    if (!a || a->isSeparator()) return 0;
    if (a->menu()) return -1;
    bool ok = false;
    const int id = a->data().toInt(&ok);
    return ok ? id : 0;
}

void MenuTranslation::SetItemText(int position, const std::string& text)
{
    if (QAction* a = menu_->actions().value(position)) a->setText(QString::fromStdString(text));
}

i18n::TranslatableMenu* MenuTranslation::SubMenu(int position)
{
    QAction* a = menu_->actions().value(position);
    if (!a || !a->menu()) return nullptr;
    subs_.push_back(std::make_unique<MenuTranslation>(a->menu()));
    return subs_.back().get();
}

void TranslateWidget(QWidget* root, int dialog)
{
    WidgetTranslation window(root);
    for (int id : window.ControlIds()) {
        const std::string_view text = i18n::BuiltinControlText(dialog, id);
        if (!text.empty()) window.SetControlText(id, std::string(text));
    }
    const std::string_view title = i18n::BuiltinControlText(dialog, i18n::kTitleKey);
    if (!title.empty()) window.SetTitle(std::string(title));
    i18n::Languages().TranslateWindow(window, dialog);
}

void TranslateMenu(QMenu* menu, bool mainWindowMenu)
{
    // Built-in texts first, so that switching to a language that lacks an item goes back to
    // English rather than keeping the previous language's word.
    std::function<void(QMenu*)> builtin = [&](QMenu* m) {
        for (QAction* a : m->actions()) {
            if (a->menu()) {
                builtin(a->menu());
                continue;
            }
            bool ok = false;
            const int id = a->data().toInt(&ok);
            if (!ok || id <= 0) continue;
            const std::string_view text = i18n::BuiltinMenuText(id);
            if (!text.empty()) a->setText(QString::fromStdString(std::string(text)));
        }
    };
    builtin(menu);
    MenuTranslation t(menu);
    i18n::Languages().TranslateMenu(t, mainWindowMenu);
}

}  // namespace shell
