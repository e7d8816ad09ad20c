#pragma once
namespace frames {

/** Registers "FrameTemplate" and "FrameFilter". */
void RegisterFrameClasses();

}  // namespace frames
