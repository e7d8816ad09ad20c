#pragma once
/** Registers "TeapotFilter", "CylinderFilterMS" and "3DMeshTemplate". */
void RegisterMesh3dClasses();
