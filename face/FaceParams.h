#pragma once
/**
 * @file FaceParams.h
 * @brief The parameter block a face template hands its filter, and the commands its panes
 * send.
 */
#include "engine/ParamBlock.h"
#include "engine/PhotoRecord.h"  // FacePhotoState

#include <cstddef>
#include <cstdint>

namespace face {

/** The two kinds of face template, from the definition's "type". */
enum FaceKind : std::int32_t { KindChangeFace = 1, KindExpression = 2 };

/**
 * @brief Owned by the template, read (and its requests cleared) by the filter. The tail,
 * from the align-face flag to the dirty flag, is the per-photo face state every photo record
 * keeps: it is the record's block itself, so the two layouts cannot drift apart.
 */
struct FaceParams {
    static constexpr engine::ParamBlock kKind = engine::ParamBlock::Face;
    std::uint8_t alignRequest = 0;   ///< run feature alignment at the next Process
    std::uint8_t searchRequest = 0;  ///< find the next face at the next Process
    std::uint8_t resetRequest = 0;   ///< forget the face and restart the search
    std::uint8_t animating = 0;      ///< the expression timer runs
    std::int32_t kind = KindChangeFace;
    float scale = 1.0f;              ///< texture zoom around the face centre
    float blendEdge = 0.2f;          ///< width of the soft edge, in texture units
    std::uint8_t quiet = 0;          ///< no face-not-found notification (gallery thumbnails)
    engine::FacePhotoState state;            ///< align face ... dirty
};
static_assert(sizeof(engine::FacePhotoState) == 164);
static_assert(offsetof(FaceParams, kind) == 4 && offsetof(FaceParams, quiet) == 16 && offsetof(FaceParams, state) == 20);

/** ParamCommand numbers of the face templates. */
namespace face_cmd {
inline constexpr int AlignFace = 100;       ///< index != 0: pose the texture by the features
inline constexpr int ResetSearch = 200;     ///< index != 0: restart the face search
inline constexpr int Button = 400;          ///< index: the pane button pressed (below)
inline constexpr int StartAnimation = 500;  ///< starts timer 100 on the view
inline constexpr int StopAnimation = 600;
inline constexpr int StopAlign = 700;
inline constexpr int SearchFace = 750;
inline constexpr int SetBlendRadius = 760;  ///< data: float*; index 0..2
inline constexpr int SetSearch = 800;       ///< index != 0: search at the next rendering
inline constexpr int GetBlendRadius = 850;  ///< data: float*; index 0..2
inline constexpr int SetExpression = 900;   ///< data: std::int32_t[3]
inline constexpr int EnhancedColour = 950;  ///< index != 0: enhanced colour blending
/** The tool-bar's "Search Face": command 750, then message 2125 to the attached panes. */
inline constexpr int ToolbarSearchFace = 751;

// Pane controls that command 400 names.
inline constexpr int ButtonSearchFace = 1016;
inline constexpr int ButtonFaceBlend = 1017;
inline constexpr int ButtonAnimate = 1020;
}  // namespace face_cmd

/** The expression timer's id and period. */
inline constexpr int kExpressionTimerId = 100;
inline constexpr int kExpressionTimerMs = 10;

}  // namespace face
