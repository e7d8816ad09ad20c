// SPDX-License-Identifier: MIT
// Every class of the registration table must be creatable in a statically linked program:
// a registration that the linker dropped would only show up as a template that fails to load.
#include "app/Builtins.h"
#include "engine/Registry.h"

#include <gtest/gtest.h>

#include <utility>

using namespace engine;

TEST(Builtins, EveryRegisteredClassIsCreatableWithItsKind)
{
    app::RegisterBuiltinClasses();
    const std::pair<const char*, int> table[] = {
        {"SimpleFilter", KindFilter},
        {"SimpleTemplate", KindTemplate},
        {"TeapotFilter", KindFilter},
        {"CylinderFilterMS", KindFilter},
        {"3DMeshTemplate", KindTemplate},
        {"FaceFilter", KindFilter},
        {"FaceTemplate", KindTemplate},
    };
    for (const auto& [name, kind] : table) {
        const auto object = CreateByName(name);
        ASSERT_NE(object, nullptr) << name;
        EXPECT_EQ(object->kind, kind) << name;
        EXPECT_STREQ(object->className, name) << name;
    }
    // Nothing registered is left out of the table's kinds.
    for (const std::string& name : RegisteredNames()) {
        const auto object = CreateByName(name);
        ASSERT_NE(object, nullptr) << name;
        EXPECT_TRUE(object->kind == KindFilter || object->kind == KindTemplate) << name;
    }
}
