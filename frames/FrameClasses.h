#pragma once
/** Registers "FrameTemplate" and "FrameFilter". */
void RegisterFrameClasses();
