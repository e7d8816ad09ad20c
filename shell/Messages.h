#pragma once
/**
 * @file Messages.h
 * @brief The program's message boxes. Every message goes through here, so tests can answer
 * them (and see what was asked) without a person at the screen.
 */
#include <QMessageBox>
#include <QString>

#include <functional>

namespace shell {

enum class MessageKind { Information, Warning, Error, Question };

/**
 * @brief Shows a modal message box and returns the button pressed (QMessageBox::Ok, Cancel,
 * Yes or No).
 */
QMessageBox::StandardButton ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                                        MessageKind kind = MessageKind::Information,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);

/** A reason as a sentence for a message box: a capital letter first and a full stop at the end. */
QString AsSentence(QString reason);

/** Replaces the boxes by a function (tests); an empty function restores them. */
using MessageHook = std::function<QMessageBox::StandardButton(const QString& text, const QString& caption,
                                                              QMessageBox::StandardButtons buttons)>;
void SetMessageHook(MessageHook hook);

}  // namespace shell
