#include "controls/Skin.h"

#include "controls/UiText.h"

#include <QGuiApplication>
#include <QHash>
#include <QScreen>

#include <cmath>

namespace controls {
namespace {

QHash<int, QPixmap>& Cache()
{
    static QHash<int, QPixmap> cache;
    return cache;
}

qreal g_cachedRatio = 0;

// A replacement file from the language's IMAGE or BITMAP section, at its own size.
QImage Replacement(int number)
{
    const QString file = Text().SkinFile(number);
    if (file.isEmpty()) return {};
    QImage image(file);
    return image;
}

}  // namespace

qreal Skin::PixelRatio()
{
    qreal ratio = 1;
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        ratio = app->devicePixelRatio();
        for (QScreen* s : QGuiApplication::screens()) ratio = std::max(ratio, s->devicePixelRatio());
    }
    return std::max<qreal>(1, std::ceil(ratio * 4) / 4);
}

QPixmap Skin::Image(int number)
{
    const qreal ratio = PixelRatio();
    if (ratio != g_cachedRatio) {
        Cache().clear();
        g_cachedRatio = ratio;
    }
    auto it = Cache().find(number);
    if (it != Cache().end()) return *it;
    QImage image = Replacement(number);
    if (image.isNull()) image = Draw(number, ratio);
    QPixmap pm = QPixmap::fromImage(image);
    Cache().insert(number, pm);
    return pm;
}

QImage Skin::ImageForWorker(int number)
{
    QImage image = Replacement(number);
    return image.isNull() ? Draw(number, 1) : image;
}

void Skin::Reload() { Cache().clear(); }

}  // namespace controls
