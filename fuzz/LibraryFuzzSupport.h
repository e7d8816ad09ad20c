// SPDX-License-Identifier: MIT
#pragma once
// Shared by the two library targets: the program folder in the sandbox, and a plain-value
// picture of a loaded library to compare two loads by.
#include "library/TemplateLibrary.h"

#include <string>

namespace fuzz {

/** Fills the sandbox's program folder from fuzz/fixtures/program (a shipped template.cfg, a thumbnail). */
void InstallProgramFolder();

/** Puts back the files the library inputs may name: "<folder>/OilPaint/OilPaint.tmpl". */
void WriteLibraryFixtures(const std::string& libraryFolder);

/** Every column and item of a library as text, one line each, in order. */
std::string DescribeLibrary(const library::CTemplateLibrary& library);

}  // namespace fuzz
