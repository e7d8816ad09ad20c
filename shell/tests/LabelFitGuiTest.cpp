// SPDX-License-Identifier: MIT
#include "shell/tests/LabelFitGuiTest.h"

#include "controls/ToolBar.h"
#include "controls/UiText.h"
#include "engine/PhotoDocument.h"
#include "i18n/LanguageManager.h"
#include "library/GalleryModel.h"
#include "shell/FilterList.h"
#include "shell/GrimazeDlg.h"
#include "shell/Messages.h"
#include "shell/OptionPane.h"
#include "shell/ProcessProp.h"
#include "shell/ShellIds.h"
#include "shell/ImageProcessDlg.h"
#include "shell/tests/GuiTestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace engine;

using namespace shell;

namespace {

bool Shown(const QWidget* w, const QWidget* top)
{
    for (; w && w != top; w = w->parentWidget())
        if (w->isHidden()) return false;
    return w == top;
}

QString Name(const QWidget* w)
{
    QString path;
    for (; w; w = w->parentWidget())
        if (!w->objectName().isEmpty()) {
            path = w->objectName() + (path.isEmpty() ? "" : "/" + path);
            if (path.count('/') >= 2) break;
        }
    return path.isEmpty() ? QString(w ? w->metaObject()->className() : "?") : path;
}

// What does not fit in one window state: "<where>: <widget> \"<text>\"".
void Check(QWidget* top, const QString& where, QStringList& problems)
{
    auto report = [&](const QWidget* w, const QString& text, const char* why) {
        problems << QString("%1: %2 %3 \"%4\" (%5x%6)")
                        .arg(where, Name(w), why, text)
                        .arg(w->width())
                        .arg(w->height());
    };
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (!Shown(w, top) || w->width() <= 0) continue;
        const QFontMetrics fm(w->font());
        if (auto* label = qobject_cast<QLabel*>(w)) {
            const QString text = label->text();
            if (text.isEmpty() || label->textFormat() == Qt::RichText) continue;
            const QRect room = label->contentsRect();
            if (label->wordWrap()) {
                if (label->heightForWidth(label->width()) > label->height()) report(w, text, "wraps beyond its height");
            } else if (fm.horizontalAdvance(text) > room.width()) {
                report(w, text, "is cut");
            } else if (fm.height() > room.height() + 2) {
                report(w, text, "is clipped at the top or bottom");
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            const QString text = button->text();
            if (text.isEmpty()) continue;
            if (button->sizeHint().width() > button->width()) report(w, text, "is cut");
            else if (fm.height() > button->height()) report(w, text, "is clipped at the top or bottom");
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            if (fm.horizontalAdvance(group->title()) + 16 > group->width()) report(w, group->title(), "title is cut");
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            for (int i = 0; i < combo->count(); ++i)
                if (fm.horizontalAdvance(combo->itemText(i)) + 28 > combo->width()) report(w, combo->itemText(i), "entry is cut");
        } else if (auto* tabs = qobject_cast<controls::CTabBar*>(w)) {
            if (tabs->CutLabels() > 0) {
                QStringList texts;
                for (const controls::TabItem& t : tabs->Items()) texts << t.text;
                report(w, texts.join(" | "), "has cut tab labels");
            }
        } else if (auto* gallery = qobject_cast<CFilterList*>(w)) {
            auto* page = qobject_cast<CProcessProp*>(gallery->parentWidget());
            if (!page || !page->Model()) continue;
            const QFontMetrics lf(CFilterList::LabelFont());
            for (const library::PaintPlan::Cell& c : page->Model()->BuildPaintPlan().cells) {
                const QRect cell(c.rect.x, c.rect.y, c.rect.width, c.rect.height);
                const CFilterList::CellLayout layout =
                    CFilterList::LayOutCell(cell, QSize(library::gallery::kThumbWidth, library::gallery::kThumbHeight));
                const QString text = QString::fromStdString(c.label);
                // Accents above capitals (the dots of an "Ö") count: the whole ink must fit.
                const QRect ink = lf.boundingRect("\u00D6" + text);
                if (lf.horizontalAdvance(text) > layout.label.width()) report(w, text, "gallery label is cut");
                else if (ink.height() > layout.label.height() || layout.label.top() <= layout.thumbnail.bottom())
                    report(w, text, "gallery label runs into its picture");
            }
        }
    }
}

}  // namespace

void LabelFitGuiTest::everyLabelFitsInEveryLanguage()
{
    SetMessageHook([](const QString&, const QString&, QMessageBox::StandardButtons) { return QMessageBox::Ok; });
    CPhotoDocument doc;
    CGrimazeDlg::Hooks hooks;
    hooks.pageFactory = [&doc](QWidget* parent) -> CTemplatePageBase* { return new CProcessProp(doc, parent); };
    CGrimazeDlg main(doc, hooks);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    guitest::Drain();
    auto* page = qobject_cast<CProcessProp*>(main.Work()->Page());
    if (!page || page->CategoryCount() == 0) QSKIP("the template library is not staged");
    // The smallest window: everything that fits there fits in a larger one.
    main.resize(main.minimumSize());
    QVERIFY(main.width() <= CGrimazeDlg::kMinWidth && main.height() <= CGrimazeDlg::kMinHeight);
    guitest::Drain();

    const std::vector<i18n::LanguageEntry> table = i18n::Languages().LanguageTable();
    const QStringList files = {"lang_eng.ini", "lang_deu.ini", "lang_fra.ini", "lang_esp.ini", "lang_chs.ini"};
    // One template of every kind of pane: sliders, frame, change face, expression, 3D.
    const QStringList templates = {"Oil Paint", "Billboard", "Knight", "Expressions", "Teapot"};
    QStringList problems;
    int languages = 0;
    for (const QString& file : files) {
        int index = -1;
        for (size_t i = 0; i < table.size(); ++i)
            if (QString::fromStdString(table[i].fileName) == file) index = static_cast<int>(i);
        if (index < 0) continue;
        ++languages;
        main.MenuCommand(menu::FirstLanguage + index);
        guitest::Drain();
        const QString lang = file.mid(5, 3);
        platform::Send(main.Work()->WindowId(), platform::msg::ToolbarCommand, worktab::TemplateMode, 0);
        guitest::Drain();
        Check(&main, lang + " start", problems);
        for (int c = 0; c < page->CategoryCount(); ++c) {
            platform::Send(main.Work()->WindowId(), platform::msg::ToolbarCommand, c, 0);
            guitest::Drain();
            Check(&main, lang + " category " + QString::number(c), problems);
        }
        // The templates by their labels (translated as the gallery shows them).
        for (const QString& name : templates) {
            bool found = false;
            for (int c = 0; c < page->CategoryCount() && !found; ++c) {
                platform::Send(main.Work()->WindowId(), platform::msg::ToolbarCommand, c, 0);
                guitest::Drain();
                const library::PaintPlan plan = page->Model()->BuildPaintPlan();
                for (size_t k = 0; k < plan.cells.size() && !found; ++k) {
                    if (QString::fromStdString(plan.cells[k].label) != controls::Phrase(name)) continue;
                    const auto& r = plan.cells[k].rect;
                    QTest::mouseClick(page->Gallery(), Qt::LeftButton, {},
                                      QPoint(r.x + r.width / 2, r.y + r.height / 2));
                    guitest::Drain();
                    doc.WaitForRendering();
                    guitest::Drain();
                    found = true;
                }
            }
            if (!found) continue;
            Check(&main, lang + " " + name, problems);
        }
        platform::Send(main.Work()->WindowId(), platform::msg::ToolbarCommand, worktab::OriginalMode, 0);
        guitest::Drain();
        Check(&main, lang + " original image", problems);
        platform::Send(main.Work()->WindowId(), platform::msg::ToolbarCommand, worktab::TemplateMode, 0);
        guitest::Drain();
    }
    if (languages == 0) QSKIP("the language files are not staged");
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].fileName == "lang_eng.ini") main.MenuCommand(menu::FirstLanguage + static_cast<int>(i));
    SetMessageHook(nullptr);
    problems.removeDuplicates();
    for (const QString& p : problems) qWarning("%s", qPrintable(p));
    QVERIFY2(problems.isEmpty(), qPrintable(QString("at %1x%2, pixel ratio %3:\n").arg(main.width()).arg(main.height())
                                                .arg(main.devicePixelRatioF()) + problems.join("\n")));
}
