#pragma once
namespace mesh3d {

/** Registers "TeapotFilter", "CylinderFilterMS" and "3DMeshTemplate". */
void RegisterMesh3dClasses();

}  // namespace mesh3d
