// SPDX-License-Identifier: MIT
#pragma once
namespace engine {

/**
 * @file ParamBlock.h
 * @brief The kinds of parameter block a template hands its filter.
 *
 * A definition file may pair any template class with any filter class, and a filter that read
 * another template's block as its own would read past its end or through stale pointers.
 * Every block type therefore names its kind (a static kKind member), a filter states the kind
 * it reads, and a template the kind it hands out: the template creator refuses a pair that
 * does not fit before the filter is initialised, and a filter asks for its block by type, so
 * a block of another kind reads as none.
 */

enum class ParamBlock : int {
    None = 0,  ///< the filter reads no block (fits every template)
    Simple,    ///< SimpleParams: three variables and a region
    Frame,     ///< FrameParams: the windows of a frame picture
    Face,      ///< FaceParams: face requests and the per-photo face state
    Mesh,      ///< MeshParams: pose and shading of a 3D model
};

/** How messages name a kind of block ("face parameters"). */
inline const char* ParamBlockName(ParamBlock kind)
{
    switch (kind) {
    case ParamBlock::None: return "no parameters";
    case ParamBlock::Simple: return "simple parameters (variables and a region)";
    case ParamBlock::Frame: return "frame parameters";
    case ParamBlock::Face: return "face parameters";
    case ParamBlock::Mesh: return "3D model parameters";
    }
    return "unknown parameters";
}

/** Whether a filter reading `needed` can work with a template that hands out `given`. */
constexpr bool ParamBlockFits(ParamBlock needed, ParamBlock given)
{
    return needed == ParamBlock::None || needed == given;
}

}  // namespace engine
