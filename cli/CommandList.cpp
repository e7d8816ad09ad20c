// SPDX-License-Identifier: MIT
#include "cli/Commands.h"

namespace cli {

namespace {

const CliCommand* const kCommands[] = {
    &kClassesCommand, &kRenderCommand,    &kBatchCommand,    &kGifCommand,         &kDemoCommand,     &kFacesCommand,
    &kTextCommand,    &kTemplatesCommand, &kDownloadCommand, &kCheckUpdateCommand, &kLangCheckCommand, &kCameraCommand,
};

}  // namespace

std::span<const CliCommand* const> CliCommands() { return kCommands; }

}  // namespace cli
