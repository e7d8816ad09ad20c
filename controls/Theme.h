#pragma once
/**
 * @file Theme.h
 * @brief The program's colours and the style sheet of the standard controls.
 *
 * One light theme: a dark slate caption and tool bar over light content, with one orange
 * accent for selection and focus. The owner-drawn controls take their colours from here so
 * that everything matches.
 */
#include <QColor>

class QApplication;

namespace controls::theme {

inline const QColor kChrome{0x22, 0x2a, 0x36};        ///< caption and tool bar
inline const QColor kChromeLight{0x2e, 0x38, 0x48};
inline const QColor kChromeText{0xec, 0xf0, 0xf5};
inline const QColor kChromeTextDim{0x9a, 0xa6, 0xb8};
inline const QColor kAccent{0xe8, 0x6a, 0x1e};        ///< selection, focus, sliders
inline const QColor kAccentDark{0xd4, 0x4d, 0x0a};    ///< sub-group labels
inline const QColor kAccentSoft{0xfd, 0xe9, 0xdc};
inline const QColor kWindow{0xee, 0xf1, 0xf5};        ///< content background
inline const QColor kPanel{0xff, 0xff, 0xff};
inline const QColor kBorder{0xd5, 0xdb, 0xe3};
inline const QColor kText{0x1f, 0x29, 0x37};
inline const QColor kTextDim{0x6b, 0x72, 0x80};
inline const QColor kHover{0xe6, 0xee, 0xf8};
inline const QColor kThumb{200, 200, 200};            ///< scroll thumbs
inline const QColor kDanger{0xe5, 0x48, 0x4d};

/** Font family the owner-drawn controls use for labels. */
QString UiFontFamily();

/** Sets the palette, the style and the style sheet of the standard controls. */
void Apply(QApplication& app);

}  // namespace controls::theme
