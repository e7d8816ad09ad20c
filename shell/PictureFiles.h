// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file PictureFiles.h
 * @brief The windows' view of engine/PictureTypes.h: file-dialog filters and dropped files.
 */
#include <QString>
#include <QStringList>

class QMimeData;

namespace shell {

/** "All Image Files (*.jpg ...);;JPEG Files (*.jpg *.jpeg);;...;;All Files (*)", translated. */
QString PictureFileFilter(bool forWriting);

/** True when the file name ends in the extension of a picture type the program reads. */
bool IsPictureFile(const QString& path);

/** The local picture files among dropped or pasted URLs, in order. */
QStringList PictureFilesOf(const QMimeData* mime);

}  // namespace shell
