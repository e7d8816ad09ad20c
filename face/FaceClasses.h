#pragma once
namespace face {

/** Registers "FaceFilter" and "FaceTemplate". */
void RegisterFaceClasses();

}  // namespace face
