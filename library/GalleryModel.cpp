#include "library/GalleryModel.h"

#include "library/LibraryPaths.h"
#include "library/TemplateDownload.h"
#include "library/ThumbnailWorker.h"

#include "engine/TemplateFile.h"
#include "i18n/LanguageManager.h"
#include "platform/Folders.h"

#include <tinyxml2.h>

#include <algorithm>
#include <map>
#include <unordered_map>

using engine::CPhotoDocument;
using engine::LoadDefinitionFile;

namespace library {

using namespace gallery;

cv::Mat WhiteThumbnail()
{
    return cv::Mat(kThumbHeight, kThumbWidth, CV_8UC3, cv::Scalar(255, 255, 255));
}

namespace {

std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= path.size()) {
        // "a//b" and a trailing "/" are slips of the pen, not groups without a name.
        while (i < path.size() && path[i] == '/') ++i;
        if (i >= path.size()) break;
        if (parts.size() + 1 == static_cast<size_t>(kMaxGroupDepth)) {
            size_t end = path.size();
            while (end > i && path[end - 1] == '/') --end;
            parts.push_back(path.substr(i, end - i));
            break;
        }
        const size_t next = path.find('/', i);
        parts.push_back(path.substr(i, next == std::string::npos ? std::string::npos : next - i));
        if (next == std::string::npos) break;
        i = next + 1;
    }
    return parts;
}

std::string JoinPath(const std::vector<std::string>& parts)
{
    std::string path;
    for (const std::string& p : parts) {
        if (!path.empty()) path += '/';
        path += p;
    }
    return path;
}

int ContentHeight(const GalleryGroup& g)
{
    const int n = static_cast<int>(g.visible.size());
    return n == 0 ? 0 : (n + 1) / 2 * kRowStep + kMarginY;
}

/** Every group under g, g first, depth first. */
void Collect(GalleryGroup& g, std::vector<GalleryGroup*>& out)
{
    out.push_back(&g);
    for (auto& c : g.children) Collect(*c, out);
}

}  // namespace

CGalleryModel::CGalleryModel(CTemplateLibrary& library)
    : library_(library), translate_([](const std::string& s) { return i18n::Languages().TranslatePhrase(s); })
{
}

CGalleryModel::~CGalleryModel() = default;

void CGalleryModel::SetWindows(platform::WindowId gallery, platform::WindowId owner, platform::WindowId mainWindow)
{
    std::lock_guard lock(mutex_);
    galleryWindow_ = gallery;
    ownerWindow_ = owner;
    mainWindow_ = mainWindow;
}

void CGalleryModel::SetTranslator(Translator translate)
{
    std::lock_guard lock(mutex_);
    translate_ = std::move(translate);
}

void CGalleryModel::SetShowHiddenSwitch(bool* showHidden)
{
    std::lock_guard lock(mutex_);
    showHidden_ = showHidden;
}

void CGalleryModel::SetThumbnailWorker(CThumbnailWorker* worker)
{
    std::lock_guard lock(mutex_);
    worker_ = worker;
}

void CGalleryModel::SetDownloader(CTemplateDownloader* downloader)
{
    std::lock_guard lock(mutex_);
    downloader_ = downloader;
}

void CGalleryModel::SetBadge(const cv::Mat& badge)
{
    std::lock_guard lock(mutex_);
    badge_ = badge.clone();
}

void CGalleryModel::SetClientSize(int width, int height)
{
    {
        std::lock_guard lock(mutex_);
        clientWidth_ = std::max(0, width);
        clientHeight_ = std::max(0, height);
        for (auto& c : root_.children) ClampScroll(*c);
    }
    WakeWorker(true);
}

// --- Filling -------------------------------------------------------------------------------

void CGalleryModel::BuildGroups()
{
    std::lock_guard lock(mutex_);
    auto translate = [&](const std::string& s) { return translate_ ? translate_(s) : s; };
    bool created = false;
    // Children by name, so that a library of many columns is not a search per column.
    std::map<std::pair<const GalleryGroup*, std::string>, GalleryGroup*> children;
    {
        std::vector<GalleryGroup*> all;
        Collect(root_, all);
        for (GalleryGroup* g : all)
            for (auto& c : g->children) children.emplace(std::make_pair(g, c->name), c.get());
    }
    for (int i = 0; i < library_.GetColumnCount(); ++i) {
        GalleryGroup* g = &root_;
        for (std::string& seg : SplitPath(library_.GetColumnPath(i))) {
            GalleryGroup*& next = children[std::make_pair(g, seg)];
            if (!next) {
                g->children.push_back(std::make_unique<GalleryGroup>());
                next = g->children.back().get();
                next->name = std::move(seg);
                next->parent = g;
                created = true;
            }
            g = next;
        }
    }
    std::vector<GalleryGroup*> all;
    Collect(root_, all);
    for (GalleryGroup* g : all)
        if (g != &root_) g->label = translate(g->name);
    categoryCurrent_.resize(root_.children.size(), nullptr);
    if (created) ++generation_;
}

void CGalleryModel::FillEntries()
{
    std::lock_guard lock(mutex_);
    auto translate = [&](const std::string& s) { return translate_ ? translate_(s) : s; };
    std::vector<GalleryGroup*> all;
    Collect(root_, all);
    for (GalleryGroup* g : all) {
        g->entries.clear();
        g->thumbnails.clear();
        g->visible.clear();
    }
    hoverGroup_ = nullptr;
    hoverEntry_ = -1;
    menuGroup_ = nullptr;
    menuEntry_ = -1;
    ++generation_;
    // One white picture for all: thumbnails are replaced, never drawn into.
    const cv::Mat placeholder = WhiteThumbnail();
    std::unordered_map<std::string, GalleryGroup*> byPath;
    for (GalleryGroup* g : all) byPath.emplace(GroupPath(*g), g);
    for (int i = 0; i < library_.GetColumnCount(); ++i) {
        const TemplateColumn* column = library_.GetColumn(i);
        const auto found = byPath.find(JoinPath(SplitPath(column->path)));
        GalleryGroup* g = found == byPath.end() ? nullptr : found->second;
        if (!g || g == &root_) continue;
        for (const auto& item : column->items) {
            GalleryEntry e;
            e.label = translate(item->name);
            e.item = item.get();
            if (IntAttribute(item->element, "online"))
                e.state = IntAttribute(item->element, "downloaded") ? kEntryDownloaded : kEntryOnline;
            else
                e.state = kEntryLocal;
            g->entries.push_back(std::move(e));
            g->thumbnails.push_back(placeholder);
        }
    }
    // Downloads that run on keep their items; their entries are found again by item.
}

void CGalleryModel::SelectDefaultGroups()
{
    std::lock_guard lock(mutex_);
    categoryCurrent_.assign(root_.children.size(), nullptr);
    for (size_t i = 0; i < root_.children.size(); ++i) {
        GalleryGroup& c = *root_.children[i];
        if (!c.entries.empty()) {
            categoryCurrent_[i] = &c;
        } else if (!c.children.empty()) {
            categoryCurrent_[i] = c.children.front().get();
            c.selectedChild = 0;
        }
    }
}

void CGalleryModel::Refilter(bool showHidden)
{
    {
        std::lock_guard lock(mutex_);
        RefilterLocked(showHidden);
    }
    WakeWorker(true);
}

void CGalleryModel::RefilterLocked(bool showHidden)
{
    std::vector<GalleryGroup*> all;
    Collect(root_, all);
    for (GalleryGroup* g : all) {
        g->visible.clear();
        for (size_t i = 0; i < g->entries.size(); ++i) {
            const TemplateItem* item = g->entries[i].item;
            if (showHidden || !item || !item->hide) g->visible.push_back(static_cast<int>(i));
        }
    }
    // Each category is a page of its own: its content starts at 0.
    for (auto& c : root_.children) {
        Layout(*c, 0);
        ClampScroll(*c);
    }
}

void CGalleryModel::Layout(GalleryGroup& g, int top)
{
    g.top = top;
    const int content = ContentHeight(g);
    int y = top + content;
    int total = content;
    for (auto& c : g.children) {
        Layout(*c, y);
        y += c->totalHeight + kHeaderHeight;
        total += c->totalHeight + kHeaderHeight;
    }
    g.totalHeight = total;
}

void CGalleryModel::Fill()
{
    BuildGroups();
    FillEntries();
    SelectDefaultGroups();
    Refilter(ShowHidden());
}

void CGalleryModel::Retranslate()
{
    {
        std::lock_guard lock(mutex_);
        auto translate = [&](const std::string& s) { return translate_ ? translate_(s) : s; };
        std::vector<GalleryGroup*> all;
        Collect(root_, all);
        for (GalleryGroup* g : all) {
            if (g != &root_) g->label = translate(g->name);
            for (GalleryEntry& e : g->entries)
                if (e.item) e.label = translate(e.item->name);
        }
    }
    platform::Invalidate(galleryWindow_);
    WakeWorker(true);
}

void CGalleryModel::SetReady(bool ready)
{
    {
        std::lock_guard lock(mutex_);
        ready_ = ready;
    }
    WakeWorker(false);
}

bool CGalleryModel::Ready() const
{
    std::lock_guard lock(mutex_);
    return ready_;
}

// --- Categories --------------------------------------------------------------------------

GalleryGroup* CGalleryModel::Category(int index) const
{
    return (index >= 0 && index < static_cast<int>(root_.children.size())) ? root_.children[static_cast<size_t>(index)].get()
                                                                           : nullptr;
}

GalleryGroup* CGalleryModel::CategoryOf(const GalleryGroup* g) const
{
    while (g && g->parent && g->parent != &root_) g = g->parent;
    return (g && g->parent == &root_) ? const_cast<GalleryGroup*>(g) : nullptr;
}

int CGalleryModel::CategoryCount() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(root_.children.size());
}

std::string CGalleryModel::GetCategoryName(int index) const
{
    std::lock_guard lock(mutex_);
    const GalleryGroup* c = Category(index);
    return c ? c->name : std::string();
}

std::string CGalleryModel::GetCategoryLabel(int index) const
{
    std::lock_guard lock(mutex_);
    const GalleryGroup* c = Category(index);
    return c ? c->label : std::string();
}

int CGalleryModel::CurrentCategory() const
{
    std::lock_guard lock(mutex_);
    return currentCategory_;
}

void CGalleryModel::SetCurrentCategory(int index)
{
    {
        std::lock_guard lock(mutex_);
        if (!Category(index)) return;
        currentCategory_ = index;
        hoverGroup_ = nullptr;
        hoverEntry_ = -1;
    }
    platform::Invalidate(galleryWindow_);
    WakeWorker(true);
}

GalleryGroup* CGalleryModel::CurrentGroup() const
{
    std::lock_guard lock(mutex_);
    return (currentCategory_ >= 0 && currentCategory_ < static_cast<int>(categoryCurrent_.size()))
               ? categoryCurrent_[static_cast<size_t>(currentCategory_)]
               : nullptr;
}

std::optional<GalleryEntry> CGalleryModel::CurrentGroupEntry(int index) const
{
    const GalleryGroup* g = CurrentGroup();
    std::lock_guard lock(mutex_);
    if (!g || index < 0 || index >= static_cast<int>(g->entries.size())) return std::nullopt;
    return g->entries[static_cast<size_t>(index)];
}

int CGalleryModel::CurrentSelection() const
{
    const GalleryGroup* g = CurrentGroup();
    std::lock_guard lock(mutex_);
    return g ? g->selected : -1;
}

void CGalleryModel::ClearSelection()
{
    GalleryGroup* g = const_cast<GalleryGroup*>(CurrentGroup());
    std::lock_guard lock(mutex_);
    if (g) g->selected = -1;
}

GalleryGroup* CGalleryModel::FindGroup(const std::string& path) const
{
    const GalleryGroup* g = &root_;
    for (const std::string& seg : SplitPath(path)) {
        const GalleryGroup* next = nullptr;
        for (const auto& c : g->children)
            if (c->name == seg) next = c.get();
        if (!next) return nullptr;
        g = next;
    }
    return const_cast<GalleryGroup*>(g);
}

std::string CGalleryModel::GroupPath(const GalleryGroup& g)
{
    std::vector<std::string> parts;
    for (const GalleryGroup* p = &g; p && p->parent; p = p->parent) parts.push_back(p->name);
    std::reverse(parts.begin(), parts.end());
    return JoinPath(parts);
}

// --- Geometry ------------------------------------------------------------------------------

int CGalleryModel::OriginY(const GalleryGroup& g) const
{
    return (g.parent == &root_) ? 0 : g.top + kHeaderHeight;
}

GalleryRect CGalleryModel::CellRectLocked(const GalleryGroup& g, int position) const
{
    const GalleryGroup* category = CategoryOf(&g);
    const int scroll = category ? category->scroll : 0;
    return GalleryRect{(position % 2) * kColumnStep + kMarginX,
                       OriginY(g) + (position / 2) * kRowStep + kMarginY - scroll, kCellWidth, kCellHeight};
}

GalleryRect CGalleryModel::CellRect(const GalleryGroup& g, int position) const
{
    std::lock_guard lock(mutex_);
    return CellRectLocked(g, position);
}

GalleryRect CGalleryModel::HeaderRectLocked(const GalleryGroup& g) const
{
    const GalleryGroup* category = CategoryOf(&g);
    const int scroll = category ? category->scroll : 0;
    return GalleryRect{kMarginX, g.top + kMarginY - scroll, kHeaderRight - kMarginX, kHeaderHeight - kMarginY};
}

GalleryRect CGalleryModel::HeaderRect(const GalleryGroup& g) const
{
    std::lock_guard lock(mutex_);
    return HeaderRectLocked(g);
}

std::optional<GalleryRect> CGalleryModel::ScrollThumbRect() const
{
    std::lock_guard lock(mutex_);
    const GalleryGroup* c = Category(currentCategory_);
    if (!c || c->totalHeight <= clientHeight_ || c->totalHeight <= 0) return std::nullopt;
    const long long h = clientHeight_;
    const long long total = c->totalHeight;
    return GalleryRect{clientWidth_ - 12, static_cast<int>(h * c->scroll / total), 7, static_cast<int>(h * h / total)};
}

void CGalleryModel::ClampScroll(GalleryGroup& category)
{
    const int maxScroll = std::max(0, category.totalHeight - clientHeight_);
    category.scroll = std::clamp(category.scroll, 0, maxScroll);
}

int CGalleryModel::MaxScroll() const
{
    std::lock_guard lock(mutex_);
    const GalleryGroup* c = Category(currentCategory_);
    return c ? std::max(0, c->totalHeight - clientHeight_) : 0;
}

int CGalleryModel::ScrollOffset() const
{
    std::lock_guard lock(mutex_);
    const GalleryGroup* c = Category(currentCategory_);
    return c ? c->scroll : 0;
}

void CGalleryModel::ScrollToLocked(int offset)
{
    GalleryGroup* c = Category(currentCategory_);
    if (!c) return;
    c->scroll = offset;
    ClampScroll(*c);
}

void CGalleryModel::ScrollTo(int offset)
{
    {
        std::lock_guard lock(mutex_);
        ScrollToLocked(offset);
    }
    platform::Invalidate(galleryWindow_);
    WakeWorker(true);
}

CGalleryModel::Hit CGalleryModel::HitGroup(GalleryGroup& g, int x, int y, bool select)
{
    const int origin = OriginY(g);
    for (size_t pos = 0; pos < g.visible.size(); ++pos) {
        const int p = static_cast<int>(pos);
        const GalleryRect r{(p % 2) * kColumnStep + kMarginX, origin + (p / 2) * kRowStep + kMarginY, kCellWidth,
                            kCellHeight};
        if (r.Contains(x, y)) {
            if (select) {
                g.selected = g.visible[pos];
                g.selectedChild = -1;
            }
            return {&g, g.visible[pos]};
        }
    }
    for (size_t k = 0; k < g.children.size(); ++k) {
        const Hit hit = HitGroup(*g.children[k], x, y, select);
        if (hit.group) {
            if (select) {
                g.selected = -1;
                g.selectedChild = static_cast<int>(k);
            }
            return hit;
        }
    }
    return {};
}

CGalleryModel::Hit CGalleryModel::HitTest(int x, int y, bool select)
{
    std::lock_guard lock(mutex_);
    GalleryGroup* c = Category(currentCategory_);
    if (!c) return {};
    return HitGroup(*c, x, y + c->scroll, select);
}

void CGalleryModel::PaintGroup(const GalleryGroup& g, const GalleryGroup* current, PaintPlan& plan) const
{
    if (g.parent != &root_) plan.headers.push_back({HeaderRectLocked(g), g.label});
    for (size_t pos = 0; pos < g.visible.size(); ++pos) {
        const GalleryRect r = CellRectLocked(g, static_cast<int>(pos));
        if (r.y + r.height <= 0 || r.y >= clientHeight_) continue;
        const int index = g.visible[pos];
        const GalleryEntry& e = g.entries[static_cast<size_t>(index)];
        PaintPlan::Cell cell;
        cell.rect = r;
        cell.label = e.label;
        cell.thumbnail = g.thumbnails[static_cast<size_t>(index)];
        cell.state = e.state;
        if (&g == current && index == g.selected)
            cell.look = PaintPlan::Look::Selected;
        else if (&g == hoverGroup_ && index == hoverEntry_)
            cell.look = PaintPlan::Look::Hovered;
        plan.cells.push_back(std::move(cell));
    }
    for (const auto& c : g.children) PaintGroup(*c, current, plan);
}

PaintPlan CGalleryModel::BuildPaintPlan() const
{
    PaintPlan plan;
    {
        std::lock_guard lock(mutex_);
        const GalleryGroup* c = Category(currentCategory_);
        if (!c) return plan;
        const GalleryGroup* current =
            currentCategory_ < static_cast<int>(categoryCurrent_.size()) ? categoryCurrent_[currentCategory_] : nullptr;
        PaintGroup(*c, current, plan);
    }
    plan.scrollThumb = ScrollThumbRect();
    return plan;
}

// --- Input -----------------------------------------------------------------------------------

void CGalleryModel::LeftButtonDown(int x, int y)
{
    if (const auto thumb = ScrollThumbRect(); thumb && thumb->Contains(x, y)) {
        std::lock_guard lock(mutex_);
        dragging_ = true;
        lastY_ = y;
        return;
    }
    const std::optional<int> selected = SelectCellAt(x, y);
    if (!selected) return;
    platform::Post(mainWindow_, platform::msg::HideWizard);
    platform::Invalidate(galleryWindow_);
    platform::Send(ownerWindow_, platform::msg::GalleryEntrySelected, *selected, 0);
}

std::optional<int> CGalleryModel::SelectCellAt(int x, int y)
{
    std::lock_guard lock(mutex_);
    GalleryGroup* c = Category(currentCategory_);
    if (!c) return std::nullopt;
    const Hit hit = HitGroup(*c, x, y + c->scroll, true);
    if (!hit.group) return std::nullopt;
    categoryCurrent_[static_cast<size_t>(currentCategory_)] = hit.group;
    return hit.group->selected;
}

void CGalleryModel::LeftButtonUp()
{
    std::lock_guard lock(mutex_);
    dragging_ = false;
}

void CGalleryModel::PointerMove(int x, int y)
{
    bool repaint = false;
    bool scrolled = false;
    {
        std::lock_guard lock(mutex_);
        GalleryGroup* c = Category(currentCategory_);
        if (!c) return;
        if (dragging_) {
            if (clientHeight_ > 0) {
                const long long moved = static_cast<long long>(y - lastY_) * c->totalHeight / clientHeight_;
                ScrollToLocked(static_cast<int>(std::clamp<long long>(c->scroll + moved, 0, 1 << 30)));
            }
            lastY_ = y;
            repaint = scrolled = true;
        } else {
            const Hit hit = HitGroup(*c, x, y + c->scroll, false);
            if (hit.group != hoverGroup_ || hit.entry != hoverEntry_) {
                hoverGroup_ = hit.group;
                hoverEntry_ = hit.entry;
                repaint = true;
            }
        }
    }
    if (repaint) platform::Invalidate(galleryWindow_);
    if (scrolled) WakeWorker(true);
}

void CGalleryModel::DoubleClick(int x, int y)
{
    const std::optional<int> selected = SelectCellAt(x, y);
    if (!selected) return;
    platform::Invalidate(galleryWindow_);
    platform::Send(ownerWindow_, platform::msg::GalleryEntryActivated, *selected, 0);
}

void CGalleryModel::Wheel(int notches)
{
    {
        std::lock_guard lock(mutex_);
        const GalleryGroup* c = Category(currentCategory_);
        if (!c) return;
        ScrollToLocked(c->scroll - notches * kWheelStep);
    }
    platform::Invalidate(galleryWindow_);
    WakeWorker(true);
}

std::optional<ContextMenuState> CGalleryModel::ContextMenuAt(int x, int y)
{
    std::lock_guard lock(mutex_);
    GalleryGroup* c = Category(currentCategory_);
    if (!c) return std::nullopt;
    const Hit hit = HitGroup(*c, x, y + c->scroll, false);
    menuGroup_ = hit.group;
    menuEntry_ = hit.entry;
    if (!hit.group) return std::nullopt;
    const TemplateItem* item = hit.group->entries[static_cast<size_t>(hit.entry)].item;
    return ContextMenuState{item && item->hide, ShowHidden()};
}

void CGalleryModel::ContextHide()
{
    {
        std::lock_guard lock(mutex_);
        if (!menuGroup_ || menuEntry_ < 0 || menuEntry_ >= static_cast<int>(menuGroup_->entries.size())) return;
        TemplateItem* item = menuGroup_->entries[static_cast<size_t>(menuEntry_)].item;
        if (!item) return;
        item->SetHide(!item->hide);
        RefilterLocked(ShowHidden());
    }
    platform::Invalidate(galleryWindow_);
    WakeWorker(true);
}

void CGalleryModel::SetShowHidden(bool on)
{
    if (showHidden_)
        *showHidden_ = on;
    else
        ownShowHidden_ = on;
}

void CGalleryModel::ContextShowAll()
{
    {
        std::lock_guard lock(mutex_);
        SetShowHidden(!ShowHidden());
        RefilterLocked(ShowHidden());
    }
    platform::Invalidate(galleryWindow_);
    WakeWorker(true);
}

int CGalleryModel::HoveredEntry() const
{
    std::lock_guard lock(mutex_);
    return hoverEntry_;
}

// --- Thumbnails ------------------------------------------------------------------------------

void CGalleryModel::WakeWorker(bool restart)
{
    CThumbnailWorker* worker = nullptr;
    {
        std::lock_guard lock(mutex_);
        worker = worker_;
    }
    if (!worker) return;
    if (restart)
        worker->RequestRestart();
    else
        worker->Wake();
}

void CGalleryModel::RequestRestart() { WakeWorker(true); }

void CGalleryModel::InvalidateThumbnails()
{
    {
        std::lock_guard lock(mutex_);
        std::vector<GalleryGroup*> all;
        Collect(root_, all);
        for (GalleryGroup* g : all)
            for (GalleryEntry& e : g->entries) {
                e.thumbPending = true;
                ++e.thumbVersion;
            }
    }
    WakeWorker(true);
}

cv::Mat CGalleryModel::Thumbnail(const GalleryGroup& g, int entry) const
{
    std::lock_guard lock(mutex_);
    if (entry < 0 || entry >= static_cast<int>(g.thumbnails.size())) return {};
    return g.thumbnails[static_cast<size_t>(entry)];
}

void CGalleryModel::ThumbnailPass(CPhotoDocument* document, const std::atomic<bool>& restart,
                                  const std::atomic<bool>& stop)
{
    std::vector<GalleryGroup*> groups;
    unsigned generation = 0;
    cv::Mat badge;
    platform::WindowId window = 0;
    {
        std::lock_guard lock(mutex_);
        GalleryGroup* c = Category(currentCategory_);
        if (!ready_ || !c) return;
        Collect(*c, groups);
        generation = generation_;
        badge = badge_;
        window = galleryWindow_;
    }
    struct Job {
        int entry;
        unsigned version;
        std::shared_ptr<tinyxml2::XMLDocument> definition;
        std::string folder;
        std::string thumb;
    };
    for (GalleryGroup* g : groups) {
        if (stop.load()) return;
        std::vector<Job> jobs;
        {
            std::lock_guard lock(mutex_);
            if (generation != generation_) return;  // the tree was rebuilt under us
            // Only what is shown, and by where it is shown: hidden entries take no cell.
            for (size_t pos = 0; pos < g->visible.size(); ++pos) {
                const int index = g->visible[pos];
                const GalleryEntry& e = g->entries[static_cast<size_t>(index)];
                if (!e.thumbPending || !e.item) continue;
                const GalleryRect r = CellRectLocked(*g, static_cast<int>(pos));
                if (r.y + r.height < -kPreloadMargin || r.y > clientHeight_ + kPreloadMargin) continue;
                jobs.push_back({index, e.thumbVersion, e.item->definition, e.item->TemplateFolder(), e.item->thumb});
            }
        }
        for (const Job& job : jobs) {
            if (stop.load()) return;
            std::string refused;
            const cv::Mat picture = job.definition ? MakeTemplateThumbnail(job.definition, job.folder, document, &refused)
                                                   : MakeOnlineThumbnail(job.thumb, badge);
            {
                std::lock_guard lock(mutex_);
                if (generation != generation_) return;
                GalleryEntry& e = g->entries[static_cast<size_t>(job.entry)];
                if (e.thumbVersion == job.version) {
                    g->thumbnails[static_cast<size_t>(job.entry)] = picture;
                    e.thumbPending = false;
                    // A definition that cannot become a template (a downloaded one pairing a
                    // template with a filter it cannot drive, say) is shown as failed.
                    if (!refused.empty()) e.state = kEntryFailed;
                }
            }
            platform::Invalidate(window);
            if (restart.load()) break;
        }
    }
}

// --- Downloads -------------------------------------------------------------------------------

bool CGalleryModel::StartDownload(int index)
{
    GalleryGroup* g = CurrentGroup();
    return g && StartDownload(*g, index);
}

bool CGalleryModel::StartDownload(GalleryGroup& g, int index)
{
    std::lock_guard lock(mutex_);
    if (!downloader_ || index < 0 || index >= static_cast<int>(g.entries.size())) return false;
    GalleryEntry& e = g.entries[static_cast<size_t>(index)];
    if ((e.state != kEntryOnline && e.state != kEntryFailed) || !e.item) return false;
    e.state = kEntryDownloading;
    downloads_[downloader_->Start(*e.item, galleryWindow_)] = e.item;
    return true;
}

GalleryEntry* CGalleryModel::EntryOfItem(const TemplateItem* item, GalleryGroup** group)
{
    std::vector<GalleryGroup*> all;
    Collect(root_, all);
    for (GalleryGroup* g : all)
        for (GalleryEntry& e : g->entries)
            if (e.item == item) {
                if (group) *group = g;
                return &e;
            }
    return nullptr;
}

void CGalleryModel::OnDownloadFinished(int downloadId, bool success)
{
    int reselect = -1;
    {
        std::lock_guard lock(mutex_);
        const auto found = downloads_.find(downloadId);
        if (found == downloads_.end()) return;
        TemplateItem* item = found->second;
        downloads_.erase(found);
        const std::optional<DownloadResult> result = downloader_ ? downloader_->TakeResult(downloadId) : std::nullopt;
        success = success && result && result->success;
        downloadErrors_[item] = success ? std::string() : result ? result->error : "the download did not report back";
        // The worker only found the definition; the library changes here, on this thread, and
        // only when the definition loads: a failed download leaves the entry as it was.
        GalleryGroup* g = nullptr;
        GalleryEntry* e = EntryOfItem(item, &g);
        std::shared_ptr<tinyxml2::XMLDocument> definition;
        const std::string path = success ? ExpandItemPath(result->storedFilepath, item->libraryFolder) : std::string();
        if (success && !result->storedFilepath.empty() && platform::FileExists(path)) definition = LoadDefinitionFile(path);
        if (definition) {
            item->SetFilepath(result->storedFilepath);
            item->definition = std::move(definition);
            item->SetDownloaded(true);
            if (e) {
                e->state = kEntryDownloaded;
                e->thumbPending = true;
                ++e->thumbVersion;
            }
        } else {
            item->downloaded = false;
            if (e) e->state = kEntryFailed;
            if (success) downloadErrors_[item] = "the downloaded template definition cannot be read";
        }
        const GalleryGroup* current =
            currentCategory_ < static_cast<int>(categoryCurrent_.size()) ? categoryCurrent_[currentCategory_] : nullptr;
        if (e && g == current && g->selected >= 0 && &g->entries[static_cast<size_t>(g->selected)] == e)
            reselect = g->selected;
    }
    WakeWorker(true);
    if (reselect >= 0) platform::Send(ownerWindow_, platform::msg::GalleryEntrySelected, reselect, 0);
    platform::Invalidate(galleryWindow_);
}

std::string CGalleryModel::LastDownloadError(const TemplateItem* item) const
{
    std::lock_guard lock(mutex_);
    const auto found = downloadErrors_.find(item);
    return found == downloadErrors_.end() ? std::string() : found->second;
}

void CGalleryModel::WithLock(const std::function<void()>& f)
{
    std::lock_guard lock(mutex_);
    f();
}

}  // namespace library
