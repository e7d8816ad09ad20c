// SPDX-License-Identifier: MIT
#include "camera/tests/CameraTestUtil.h"

#include "app/Builtins.h"
#include "engine/TemplateFile.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

namespace camtest {

engine::RefPtr<engine::CEffectTemplate> OpenBundled(const std::string& name)
{
    app::RegisterBuiltinClasses();
    std::string error;
    auto t = engine::OpenTemplate(testenv::SourceDir() + "/media/Templates/" + name, nullptr, &error);
    EXPECT_TRUE(t) << name << ": " << error;
    return t;
}

}  // namespace camtest
