#include "i18n/BuiltinStrings.h"

namespace i18n {
namespace {

// The fallback when the language file has no text, kept word for word as the program has
// always carried them, slips included ("suceeded", "animaotion", "doses", "please
// waiting"): the English language file is where the wording is polished. 106 and 107 use
// the full-width comma U+FF0C; 162 ends with a blank.
constexpr BuiltinString kStrings[] = {
    {101, "File"},
    {102, "Edit"},
    {103, "Design"},
    {104, "Output"},
    {105, "Export"},
    {106, "Open image files\uFF0Cselect templates to process them"},
    {107, "Preview effects\uFF0Cyou can also make tiny adjustments to the template you selected"},
    {108, "Save the output image or animation in their corresponding format"},
    {109, "Verdana,Arial,Tahoma"},
    {110, "11.52"},
    {111, "2D Templates"},
    {112, "3D Templates"},
    {113, "Frames"},
    {114, "Face fun"},
    {115, "Other Effects"},
    {116, "Adjust template parameters"},
    {117, "Adjust"},
    {118, "Original Image"},
    {119, "Display original image"},
    {120, "Reserve"},
    {121, "Reserve"},
    {122, "Original Image Edit"},
    {123, "Template Edit"},
    {124, "Add To Input"},
    {125, "Add to input list"},
    {126, "Show adjust panel of original image"},
    {127, "Show adjust panel of current template"},
    {128, "Zoom in"},
    {129, "Zoom out"},
    {130, "Magnify the preview"},
    {131, "Minify the preview"},
    {132, "Settings"},
    {133, "Minimize Window"},
    {134, "Maximize Window"},
    {135, "Restore Window"},
    {136, "Close Window"},
    {137, "Input parameter is not valid, please check."},
    {138, "There is currently no image available for saving!"},
    {139, "Save image suceeded!"},
    {140, "Save image failed!"},
    {141, "Export gif file succeeded!"},
    {142, "Export gif file failed!"},
    {143, "No template is selected that can export gif animaotion files."},
    {144, "The Output path is invalid."},
    {145, "The file already exists, would you like to overwrite it?"},
    {146, "\n\nChecking new version of %s online, please waiting..."},
    {147, "Check new version online..."},
    {148, "Error while getting version information from %s due to the following reason:\n%sPlease make sure your "
          "internet connection is working."},
    {149, "A new version is available.\nVersion:%d.%02d\nBuild:%d\nPlease download it by clicking the following link "
          "and upgrade."},
    {150, "\n\nCongratulations! You are currently running the latest version."},
    {151, "Download remote file %s failed, error code: HTTP %d!"},
    {152, "Are you sure you want to quit?"},
    {153, "The Image File \"%s\" doses not exist, delete item?"},
    {154, "The target face is not detected, please select a face region manually."},
    {155, "A new version is available, it is recommended to upgrade your current version.\n\nDo you want to upgrade now?"},
    {156, "New Version Detected"},
    {157, "Double Click To Download Online Template \"%s\""},
    {158, "Download Failed, Double Click To Redownload"},
    {159, "Add Image"},
    {160, "Show Control Panel"},
    {161, "Click here to add your own image for processing"},
    {162, "Show Control Panel for adjusting template parameters "},
    {163, "Rotate Left"},
    {164, "Rotate Right"},
    {165, "Rotate left by 90 degrees"},
    {166, "Rotate right by 90 degrees"},
    {167, "Search Face"},
    {168, "Press to find another face, if possible"},
    {169, "Photo Gallery"},
    {170, "Hide Control Panel"},
    {171, "Hide Control Panel"},
};

constexpr bool Consecutive()
{
    for (size_t i = 0; i < std::size(kStrings); ++i)
        if (kStrings[i].id != kFirstStringId + static_cast<int>(i)) return false;
    return std::size(kStrings) == kLastStringId - kFirstStringId + 1;
}
static_assert(Consecutive(), "BuiltinText indexes the table by identifier");

}  // namespace

std::span<const BuiltinString> BuiltinStrings() { return kStrings; }

std::string_view BuiltinText(int id)
{
    if (id < kFirstStringId || id > kLastStringId) return {};
    return kStrings[id - kFirstStringId].text;
}

}  // namespace i18n
