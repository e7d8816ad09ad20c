#pragma once
/**
 * @file Skin.h
 * @brief The pictures of the program's skin.
 *
 * Every picture has a number. A language file may replace any of them (its IMAGE or BITMAP
 * section names a file in the language folder); otherwise the picture is drawn here with
 * QPainter, at the screen's pixel ratio so that it stays sharp on high-density screens.
 * Drawn pictures are cached until the language or the pixel ratio changes.
 * Interface thread only, except Image() on a copy-safe QImage path (ImageForWorker).
 */
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace controls {

/** The numbers of the skin's pictures. */
namespace img {
inline constexpr int ToolBarBackground = 254;
inline constexpr int CaptionBackground = 280;
inline constexpr int Logo = 247;
inline constexpr int ToolHover = 186;
inline constexpr int ToolPressed = 187;
inline constexpr int ToolSeparator = 188;
inline constexpr int AppIcon = 281;
// Window-button bars: strips of the whole bar, one per state.
inline constexpr int WinButtonsNormal = 251;
inline constexpr int WinButtonsHover = 250;
inline constexpr int WinButtonsPressed = 249;
inline constexpr int WinButtonsDisabled = 252;
inline constexpr int WinButtonsRestoreNormal = 240;
inline constexpr int WinButtonsRestoreHover = 239;
inline constexpr int WinButtonsRestorePressed = 238;
inline constexpr int WinButtonsRestoreDisabled = 241;
// Gallery.
inline constexpr int CellNormal = 253;
inline constexpr int CellSelected = 255;
inline constexpr int CellHover = 293;
inline constexpr int DownloadBadge = 266;
inline constexpr int GroupHeader = 267;
inline constexpr int Category2D = 289;
inline constexpr int Category3D = 288;
inline constexpr int CategoryFrames = 287;
inline constexpr int CategoryFace = 286;
inline constexpr int CategoryOther = 285;
inline constexpr int ModeOriginal = 284;  ///< the photo itself (mode tab)
inline constexpr int ModeTemplate = 283;  ///< the photo with an effect (mode tab)
// Working window.
inline constexpr int StripCell = 290;
inline constexpr int StripCellSelected = 236;
inline constexpr int Wizard = 292;
inline constexpr int PaneBackground = 291;
// Tool icons (white line drawings on the dark tool bar).
inline constexpr int IconAddImage = 300;
inline constexpr int IconExport = 301;
inline constexpr int IconZoomIn = 302;
inline constexpr int IconZoomOut = 303;
inline constexpr int IconRotateLeft = 304;
inline constexpr int IconRotateRight = 305;
inline constexpr int IconPanel = 306;
inline constexpr int IconCompare = 307;
inline constexpr int IconFace = 308;
inline constexpr int IconGeneric = 309;
inline constexpr int IconUndo = 310;
inline constexpr int IconRedo = 311;
inline constexpr int IconCategoryFace = 312;
inline constexpr int IconCategoryOther = 313;
}  // namespace img

class Skin {
public:
    /** The picture at the screens' pixel ratio (null when the number is unknown). */
    static QPixmap Image(int number);
    /** The picture at its logical size, for painting off the interface thread. */
    static QImage ImageForWorker(int number);
    /** Logical size of a picture. */
    static QSize LogicalSize(int number);
    /** Forgets every cached picture (the language or the screen changed). */
    static void Reload();
    /** The pixel ratio pictures are drawn at. */
    static qreal PixelRatio();
    /** Draws picture number into an image of logical size at ratio dpr (the generator). */
    static QImage Draw(int number, qreal dpr);
    /** Tool icons for a named template button ("face", anything else gets the generic one). */
    static int IconForName(const QString& name);
};

}  // namespace controls
