#pragma once
/** Registers "FaceFilter" and "FaceTemplate". */
void RegisterFaceClasses();
