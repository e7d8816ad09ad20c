// SPDX-License-Identifier: MIT
#include "shell/PictureFiles.h"

#include "controls/UiText.h"
#include "engine/PictureTypes.h"

#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

using engine::IsReadablePictureName;
using engine::PictureType;
using engine::PictureTypes;

namespace shell {

QString PictureFileFilter(bool forWriting)
{
    // Types sharing a label (the PNM family) make one entry.
    std::vector<std::pair<QString, QStringList>> byLabel;
    QStringList all;
    for (const PictureType& t : PictureTypes()) {
        if (forWriting ? !t.writable : !t.readable) continue;
        const QString label = QString::fromUtf8(t.label);
        auto it = std::find_if(byLabel.begin(), byLabel.end(), [&](const auto& e) { return e.first == label; });
        if (it == byLabel.end()) it = byLabel.insert(byLabel.end(), {label, {}});
        for (const std::string& e : t.Extensions()) {
            it->second << "*." + QString::fromStdString(e);
            all << "*." + QString::fromStdString(e);
        }
    }
    QString filter = controls::Phrase("All Image Files") + " (" + all.join(' ') + ")";
    for (const auto& [label, patterns] : byLabel) filter += ";;" + controls::Phrase(label) + " (" + patterns.join(' ') + ")";
    return filter + ";;" + controls::Phrase("All Files") + " (*)";
}

bool IsPictureFile(const QString& path) { return IsReadablePictureName(path.toStdString()); }

QStringList PictureFilesOf(const QMimeData* mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile() && IsPictureFile(url.toLocalFile())) files << url.toLocalFile();
    return files;
}

}  // namespace shell
