// SPDX-License-Identifier: MIT
// Build step: writes the HOG face finder's weights in the form the detector reads quickly.
// dlib keeps them compressed inside its header, and unpacking them there takes seconds.
#include "face/FaceModels.h"

#include <cstdio>

using face::HogFaceFinder;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: write_face_hog OUTPUT\n", stderr);
        return 2;
    }
    if (!HogFaceFinder::WriteDefault(argv[1])) {
        std::fprintf(stderr, "write_face_hog: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
