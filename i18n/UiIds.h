#pragma once
/**
 * @file UiIds.h
 * @brief The numbers by which language files address the desktop program's windows:
 * dialog numbers (section "DIALOG_IDD_<dialog>"), control identifiers (keys in that section),
 * menu command identifiers (keys in "MENU") and message string identifiers (keys in "STRING").
 *
 * The desktop program gives its windows and menu items exactly these numbers, so that
 * TranslateWindow and TranslateMenu (LanguageManager.h) find their texts. The English texts
 * that go with them are in UiTexts.cpp (the built-in texts) and lang/lang_eng.ini.
 * Changing a number here breaks every language file that uses it.
 */

namespace i18n::ui {

/** Dialog numbers: the section "DIALOG_IDD_<n>" of a language file. */
namespace dlg {
inline constexpr int About = 100;
inline constexpr int MainWindow = 102;       ///< title only; its bars take their texts from STRING
inline constexpr int WorkingWindow = 103;
inline constexpr int TemplatePage = 132;
inline constexpr int ChangeFacePane = 135;
inline constexpr int ExpressionPane = 136;
inline constexpr int Pane2D = 159;
inline constexpr int Pane3D = 160;
inline constexpr int Export = 165;
inline constexpr int OriginalImagePane = 181;
inline constexpr int NewVersion = 258;
}  // namespace dlg

/** Menu resources: 129 (File and Edit) and 131 (the context and settings menus). */
namespace menu {
inline constexpr int FileEdit = 129;
inline constexpr int Context = 131;
/** Positions (0-based) of the pop-ups of menu 131. */
inline constexpr int InputPhotosPopup = 0;
inline constexpr int ResultsPopup = 1;
inline constexpr int SettingsPopup = 2;
}  // namespace menu

/** Control identifiers: keys in "DIALOG_IDD_<n>". */
namespace ctl {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;

// About box (100)
inline constexpr int AboutProduct = 1101;
inline constexpr int AboutCopyright = 1102;

// Export dialog (165)
inline constexpr int ExportImageFile = 1001;   ///< radio button
inline constexpr int ExportGifAnimation = 1002;  ///< radio button
inline constexpr int ExportDirectoryLabel = 1003;
inline constexpr int ExportPath = 1004;        ///< edit box
inline constexpr int ExportBrowse = 1005;      ///< "..."
inline constexpr int ExportKeepAspect = 1006;  ///< check box
inline constexpr int ExportWidthLabel = 1007;
inline constexpr int ExportWidth = 1008;  ///< edit box
inline constexpr int ExportHeightLabel = 1009;
inline constexpr int ExportHeight = 1010;  ///< edit box
inline constexpr int ExportOpenFolder = 1011;

// Face panes (135, 136)
inline constexpr int SearchFace = 1016;
inline constexpr int DoFaceBlend = 1017;
inline constexpr int ExpressionList = 1019;
inline constexpr int Animate = 1020;
inline constexpr int AlignFace = 1021;
inline constexpr int BlendRadiusLeftEye = 1063;  ///< sliders 1063..1065
inline constexpr int BlendRadiusRightEye = 1064;
inline constexpr int BlendRadiusMouth = 1065;
inline constexpr int LeftEyeLabel = 1066;
inline constexpr int RightEyeLabel = 1067;
inline constexpr int MouthLabel = 1068;
inline constexpr int EnhancedColorBlending = 1070;
inline constexpr int BlendRadiusGroup = 1071;

// 3D pane (160)
inline constexpr int RotateModel = 1028;
inline constexpr int ResetPosition = 1029;

// 2D pane (159): the labels show the template's variable names through the DICTIONARY.
inline constexpr int Pane2DShowClipBox = 1031;
inline constexpr int Pane2DSlider1 = 1032;  ///< sliders 1032..1034
inline constexpr int Pane2DSlider2 = 1033;
inline constexpr int Pane2DSlider3 = 1034;
inline constexpr int Pane2DLabel1 = 1035;  ///< labels 1035..1037
inline constexpr int Pane2DLabel2 = 1036;
inline constexpr int Pane2DLabel3 = 1037;

// Original-image pane (181)
inline constexpr int OrgShowClipBox = 1051;
inline constexpr int OrgZoomIn = 1052;
inline constexpr int OrgZoomOut = 1053;
inline constexpr int OrgRotateLeft = 1054;
inline constexpr int OrgRotateRight = 1055;

// New-version dialog (258); its title is string 147, set at run time.
inline constexpr int NewVersionText = 1080;
inline constexpr int NewVersionLink = 1081;
}  // namespace ctl

/** Menu command identifiers: keys in "MENU". */
namespace cmd {
inline constexpr int OpenImages = 32771;
inline constexpr int Save = 32772;
inline constexpr int SaveAs = 32773;
inline constexpr int ExportGif = 32774;
inline constexpr int Exit = 32775;
inline constexpr int Undo = 32776;
inline constexpr int Redo = 32777;
inline constexpr int Restore = 32778;
inline constexpr int DeletePhoto = 32779;
inline constexpr int DeleteSelection = 32780;
inline constexpr int DeleteAll = 32781;
inline constexpr int AddToInputList = 32782;
inline constexpr int DeleteResult = 32783;
inline constexpr int Help = 32784;
inline constexpr int CheckForUpdate = 32785;
inline constexpr int About = 32786;
inline constexpr int LanguageAuto = 32791;
/** Language item i of the Language menu is FirstLanguage + i (at most 256 items). */
inline constexpr int FirstLanguage = 33000;
}  // namespace cmd

/** Message string identifiers: keys in "STRING" (texts in BuiltinStrings.cpp). */
namespace str {
inline constexpr int File = 101;
inline constexpr int Edit = 102;
inline constexpr int Design = 103;
inline constexpr int Output = 104;
inline constexpr int Export = 105;
inline constexpr int DesignHint = 106;
inline constexpr int PreviewHint = 107;
inline constexpr int ExportTooltip = 108;
inline constexpr int ButtonFontFaces = 109;
inline constexpr int ButtonFontSize = 110;
inline constexpr int Category2D = 111;
inline constexpr int Category3D = 112;
inline constexpr int CategoryFrames = 113;
inline constexpr int CategoryFaceFun = 114;
inline constexpr int CategoryOther = 115;
inline constexpr int AdjustTemplateParameters = 116;
inline constexpr int Adjust = 117;
inline constexpr int OriginalImage = 118;
inline constexpr int DisplayOriginalImage = 119;
inline constexpr int OriginalImageEdit = 122;
inline constexpr int TemplateEdit = 123;
inline constexpr int AddToInput = 124;
inline constexpr int AddToInputTooltip = 125;
inline constexpr int OriginalImageEditTooltip = 126;
inline constexpr int TemplateEditTooltip = 127;
inline constexpr int ZoomIn = 128;
inline constexpr int ZoomOut = 129;
inline constexpr int ZoomInTooltip = 130;
inline constexpr int ZoomOutTooltip = 131;
inline constexpr int Settings = 132;
inline constexpr int MinimizeWindow = 133;
inline constexpr int MaximizeWindow = 134;
inline constexpr int RestoreWindow = 135;
inline constexpr int CloseWindow = 136;
inline constexpr int InvalidInput = 137;
inline constexpr int NoImageToSave = 138;
inline constexpr int SaveSucceeded = 139;
inline constexpr int SaveFailed = 140;
inline constexpr int GifSucceeded = 141;
inline constexpr int GifFailed = 142;
inline constexpr int NoGifTemplate = 143;
inline constexpr int OutputPathInvalid = 144;
inline constexpr int OverwriteQuestion = 145;
inline constexpr int CheckingVersion = 146;          ///< %s product name
inline constexpr int CheckVersionTitle = 147;
inline constexpr int VersionCheckError = 148;        ///< %s product name, %s reason
inline constexpr int NewVersionDetails = 149;        ///< %d major, %02d minor, %d build
inline constexpr int UpToDate = 150;
inline constexpr int DownloadFailedHttp = 151;       ///< %s URL, %d status
inline constexpr int QuitQuestion = 152;
inline constexpr int ImageFileMissing = 153;         ///< %s path
inline constexpr int NoFaceDetected = 154;
inline constexpr int UpgradeQuestion = 155;
inline constexpr int NewVersionDetected = 156;
inline constexpr int DownloadOnlineTemplate = 157;   ///< %s template name
inline constexpr int DownloadFailedRetry = 158;
inline constexpr int AddImage = 159;
inline constexpr int ShowControlPanel = 160;
inline constexpr int AddImageTooltip = 161;
inline constexpr int ShowControlPanelTooltip = 162;
inline constexpr int RotateLeft = 163;
inline constexpr int RotateRight = 164;
inline constexpr int RotateLeftTooltip = 165;
inline constexpr int RotateRightTooltip = 166;
inline constexpr int SearchFace = 167;
inline constexpr int SearchFaceTooltip = 168;
inline constexpr int PhotoGallery = 169;
inline constexpr int HideControlPanel = 170;
inline constexpr int HideControlPanelTooltip = 171;
}  // namespace str

}  // namespace i18n::ui
