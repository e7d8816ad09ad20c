#include "shell/TemplateTimers.h"

#include "face/CT_Face.h"
#include "mesh3d/CT_3DMesh.h"

using face::CT_Face;
using mesh3d::CT_3DMesh;

namespace shell {

bool DispatchTemplateTimer(platform::WindowId window, int id)
{
    if (CT_3DMesh::OnTurnTimer(window, id)) return true;
    CT_Face::OnTimer(id);
    return true;
}

}  // namespace shell
