// SPDX-License-Identifier: MIT
#pragma once
namespace engine {

/**
 * @file AnimationCommands.h
 * @brief ParamCommand numbers that templates able to export an animation (IsExpression) answer,
 * so that the export dialog can show what ExportAnimation will write before it writes it.
 */
namespace anim_cmd {
/** data: int[2], in: the largest width and height; out: the size ExportAnimation writes (0 x 0: unknown). */
inline constexpr int AnimationSize = 1100;
/** index: the delay written with every frame by later exports, in hundredths of a second (0: none). */
inline constexpr int FrameDelay = 1110;
}  // namespace anim_cmd

}  // namespace engine
