#pragma once
/**
 * Registers the classes of every effect module linked into a program: engine, filters and
 * the modules that follow. The desktop program registers its panes on top.
 */
void RegisterBuiltinClasses();
