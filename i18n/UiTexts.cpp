#include "i18n/UiTexts.h"

#include "i18n/UiIds.h"

namespace i18n {
namespace {

using namespace ui;

constexpr UiText kTexts[] = {
    {dlg::About, kTitleKey, "About Grimaze"},
    {dlg::About, ctl::AboutProduct, "Grimaze, photo fun with effect templates"},
    {dlg::About, ctl::AboutCopyright, "Copyright (C) Kestrovo. All rights reserved."},
    {dlg::About, ctl::Ok, "OK"},

    {dlg::MainWindow, kTitleKey, "Grimaze"},

    {dlg::ChangeFacePane, ctl::SearchFace, "Search Face"},
    {dlg::ChangeFacePane, ctl::DoFaceBlend, "Do Face Blend"},
    {dlg::ChangeFacePane, ctl::AlignFace, "Align face"},
    {dlg::ChangeFacePane, ctl::LeftEyeLabel, "Left Eye"},
    {dlg::ChangeFacePane, ctl::RightEyeLabel, "Right Eye"},
    {dlg::ChangeFacePane, ctl::MouthLabel, "Mouth"},
    {dlg::ChangeFacePane, ctl::EnhancedColorBlending, "Enable Enhanced color blending"},
    {dlg::ChangeFacePane, ctl::BlendRadiusGroup, "Blend Radius"},

    {dlg::ExpressionPane, ctl::SearchFace, "Search Face"},
    {dlg::ExpressionPane, ctl::Animate, "Animate"},

    {dlg::Pane2D, ctl::Pane2DShowClipBox, "Show Clip Box"},

    {dlg::Pane3D, ctl::RotateModel, "Rotate Model"},
    {dlg::Pane3D, ctl::ResetPosition, "Reset to Default Position"},

    {dlg::Export, kTitleKey, "Export"},
    {dlg::Export, ctl::Ok, "OK"},
    {dlg::Export, ctl::ExportImageFile, "Export Image File"},
    {dlg::Export, ctl::ExportGifAnimation, "Export GIF Animation"},
    {dlg::Export, ctl::ExportDirectoryLabel, "Export Directory"},
    {dlg::Export, ctl::ExportKeepAspect, "Keep the aspect ratio of the original image"},
    {dlg::Export, ctl::ExportWidthLabel, "Width"},
    {dlg::Export, ctl::ExportHeightLabel, "Height"},
    {dlg::Export, ctl::ExportOpenFolder, "Open Folder"},

    {dlg::OriginalImagePane, ctl::OrgShowClipBox, "Show Clip Box"},
    {dlg::OriginalImagePane, ctl::OrgZoomIn, "Zoom In"},
    {dlg::OriginalImagePane, ctl::OrgZoomOut, "Zoom Out"},
    {dlg::OriginalImagePane, ctl::OrgRotateLeft, "Rotate Left"},
    {dlg::OriginalImagePane, ctl::OrgRotateRight, "Rotate Right"},

    {dlg::NewVersion, ctl::NewVersionLink, "Download the new version"},
    {dlg::NewVersion, ctl::Cancel, "Cancel"},

    // Pop-up titles have no command; item_<n> names them by position on the menu bar.
    {kMenuSection, PopupKey(1), "File"},
    {kMenuSection, PopupKey(2), "Edit"},
    {kMenuSection, cmd::OpenImages, "Open Images..."},
    {kMenuSection, cmd::Save, "Save"},
    {kMenuSection, cmd::SaveAs, "Save As..."},
    {kMenuSection, cmd::ExportGif, "Export GIF Animation..."},
    {kMenuSection, cmd::Exit, "Exit"},
    {kMenuSection, cmd::Undo, "Undo"},
    {kMenuSection, cmd::Redo, "Redo"},
    {kMenuSection, cmd::Restore, "Restore"},
    {kMenuSection, cmd::DeletePhoto, "Delete"},
    {kMenuSection, cmd::DeleteSelection, "Delete Selection"},
    {kMenuSection, cmd::DeleteAll, "Delete All"},
    {kMenuSection, cmd::AddToInputList, "Add to Input List"},
    {kMenuSection, cmd::DeleteResult, "Delete"},
    {kMenuSection, cmd::Help, "Help..."},
    {kMenuSection, cmd::CheckForUpdate, "Check for new update..."},
    {kMenuSection, cmd::About, "About"},
    {kMenuSection, cmd::LanguageAuto, "Auto"},
};

}  // namespace

std::span<const UiText> BuiltinUiTexts() { return kTexts; }

std::string_view BuiltinControlText(int dialog, int control)
{
    for (const UiText& t : kTexts)
        if (t.section == dialog && t.key == control && dialog != kMenuSection) return t.text;
    return {};
}

std::string_view BuiltinMenuText(int key)
{
    for (const UiText& t : kTexts)
        if (t.section == kMenuSection && t.key == key) return t.text;
    return {};
}

std::string SectionName(int section)
{
    return section == kMenuSection ? std::string("MENU") : "DIALOG_IDD_" + std::to_string(section);
}

std::string KeyName(int key)
{
    if (key == kTitleKey) return "title";
    if (key < kTitleKey) return "item_" + std::to_string(-1 - key);
    return std::to_string(key);
}

}  // namespace i18n
