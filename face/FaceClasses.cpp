#include "face/FaceClasses.h"

#include "engine/Registry.h"
#include "face/CF_Face.h"
#include "face/CT_Face.h"

using engine::CImageDataObject;
using engine::RegisterCreator;

namespace face {

void RegisterFaceClasses()
{
    RegisterCreator("FaceFilter", [] { return static_cast<CImageDataObject*>(new CF_Face); });
    RegisterCreator("FaceTemplate", [] { return static_cast<CImageDataObject*>(new CT_Face); });
}

}  // namespace face
