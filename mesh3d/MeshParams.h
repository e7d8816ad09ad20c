#pragma once
/**
 * @file MeshParams.h
 * @brief The parameter block the 3D mesh template hands its filter (teapot, cylinder).
 */
#include "engine/ParamBlock.h"

#include <cstdint>

namespace mesh3d {

/** Bits of MeshParams::flags. */
namespace mesh_flags {
inline constexpr std::uint32_t Reflect = 0x1;          ///< mirror-like: the photo is reflected, not printed
inline constexpr std::uint32_t NormalizeNormals = 0x2;
inline constexpr std::uint32_t Specular = 0x4;         ///< add the highlight of MeshParams::specular
}  // namespace mesh_flags

struct MeshParams {
    static constexpr engine::ParamBlock kKind = engine::ParamBlock::Mesh;
    /** Model position; the camera sits at the origin looking along +z, so the model's z is negative. */
    float position[3] = {0, 0, 0};
    /**
     * Model orientation, row-major, multiplying column vectors: a model point P is drawn at
     * rotation * P - position. The template composes it as S * Ry(hangle) * Rx(vangle) times its
     * accumulated turn, so the axis scales apply after the turns.
     */
    float rotation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    /** 1: the pose above is used; 0: the fixed pose (the model 3 units ahead, unturned). */
    std::int32_t moveable = 1;
    std::uint32_t flags = 0;
    /** CullMode: 0 none, 1 "ccw", 2 "cw". */
    std::int32_t cull = 0;
    /** Vertical field of view, radians. */
    float fieldOfView = 1.5707964f;
    float specular = 0;
    /** Radians per tick of the turn timer. */
    float rotationSpeed = 0;
};

}  // namespace mesh3d
