#include "shell/Messages.h"

namespace shell {
namespace {

MessageHook& Hook()
{
    static MessageHook hook;
    return hook;
}

}  // namespace

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

QString AsSentence(QString reason)
{
    reason = reason.trimmed();
    if (reason.isEmpty()) return reason;
    reason[0] = reason[0].toUpper();
    const QChar last = reason.back();
    if (last != '.' && last != '!' && last != '?') reason += '.';
    return reason;
}

QMessageBox::StandardButton ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageKind kind,
                                        QMessageBox::StandardButtons buttons)
{
    if (Hook()) return Hook()(text, caption, buttons);
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setStandardButtons(buttons);
    switch (kind) {
    case MessageKind::Information: box.setIcon(QMessageBox::Information); break;
    case MessageKind::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageKind::Error: box.setIcon(QMessageBox::Critical); break;
    case MessageKind::Question: box.setIcon(QMessageBox::Question); break;
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace shell
