// Writes the program's icon (the skin's drawn logo) as PNG files for the desktop:
//   make_icons <folder>   ->  <folder>/grimaze-<size>.png for 16 ... 512 pixels
// The PNGs are committed under media/icons and installed into the icon theme.
#include "controls/Skin.h"

#include <QGuiApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons <folder>\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    // Drawn once large and scaled down, so small sizes are smooth rather than drawn with
    // sub-pixel lines.
    QImage master = controls::Skin::Draw(controls::img::AppIcon, 4);
    master.setDevicePixelRatio(1);
    for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        const QImage icon = master.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        const QString file = QString("%1/grimaze-%2.png").arg(folder).arg(size);
        if (!icon.save(file)) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
