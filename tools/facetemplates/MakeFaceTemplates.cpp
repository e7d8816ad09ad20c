// make_face_templates: writes the "Face fun" templates.
//
//   make_face_templates <media folder>
//
// For each change-face template it writes media/Templates/<Name>/<Name>.jpg (the picture),
// <Name>.cfg (the 68-byte face configuration) and <Name>.tmpl. The configuration is made from
// a face rectangle marked on the picture: the cap's rim, seen from a camera in front of the
// picture, lands on the ellipse inscribed in that rectangle, so the user's face box (as the
// detector draws it) fills the same place. "Astronaut" uses the sample photo itself, with its
// face marked by hand; the other pictures are drawn here (FacePictures.cpp). The expression
// template needs no picture. Everything is seeded: running it again gives the same files.
#include "FacePictures.h"
#include "engine/ImageIO.h"
#include "face/FaceConfig.h"
#include "platform/Files.h"
#include "platform/Folders.h"

#include <cmath>
#include <cstdio>
#include <string>

using engine::LoadPhoto;
using engine::SaveImage;
using face::FaceConfig;
using face::WriteFaceConfig;

namespace {

// How far in front of the camera the cap sits, in the units where the picture is 2 high:
// far enough for the cap's bulge to look gentle.
constexpr float kDistance = 3.0f;

FaceConfig ConfigForFace(cv::Size picture, const cv::Rect2f& face, float roll)
{
    FaceConfig c;
    const float s = picture.height / 2.0f;  // pixels per unit: the viewport is the whole picture
    const float cr = std::cos(roll), sr = std::sin(roll);
    const float rot[9] = {cr, sr, 0, -sr, cr, 0, 0, 0, 1};
    std::copy(rot, rot + 9, c.rotation);
    c.capWidth = face.width * kDistance / s;
    c.capHeight = face.height * kDistance / s;
    const float pcx = face.x + face.width / 2, pcy = face.y + face.height / 2;
    // The renderer negates the translation: a cap centred on (pcx, pcy) at the distance.
    c.translation[0] = -(pcx - picture.width / 2.0f) * kDistance / s;
    c.translation[1] = (pcy - picture.height / 2.0f) * kDistance / s;
    c.translation[2] = -kDistance;
    return c;
}

bool WriteTemplate(const std::string& folder, const std::string& name, const std::string& display, const std::string& type,
                   const std::string& files)
{
    const std::string xml = "<effect>\n  <template name=\"" + display + "\"/>\n  <filter name=\"FaceTemplate\" type=\"" + type +
                            "\">\n    <param scale=\"1.0\" blend_edge=\"0.2\"/>\n    <filter name=\"FaceFilter\">" + files +
                            "</filter>\n  </filter>\n</effect>\n";
    std::string error;
    if (!platform::WriteFileAtomically(folder + "/" + name + ".tmpl", xml, &error)) {
        std::fprintf(stderr, "make_face_templates: %s\n", error.c_str());
        return false;
    }
    return true;
}

bool WriteChangeFace(const std::string& templates, const std::string& name, const std::string& display,
                     const FacePicture& picture)
{
    const std::string folder = templates + "/" + name;
    std::string error;
    if (!platform::MakeFolders(folder) || !SaveImage(folder + "/" + name + ".jpg", picture.image, &error, 92) ||
        !WriteFaceConfig(folder + "/" + name + ".cfg", ConfigForFace(picture.image.size(), picture.face, picture.roll), &error)) {
        std::fprintf(stderr, "make_face_templates: %s: %s\n", name.c_str(), error.c_str());
        return false;
    }
    return WriteTemplate(folder, name, display, "change face",
                         "<param image=\"" + name + ".jpg\" config=\"" + name + ".cfg\"/>");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_face_templates <media folder>\n");
        return 2;
    }
    const std::string media = argv[1];
    const std::string templates = media + "/Templates";

    FacePicture astronaut;
    astronaut.image = LoadPhoto(media + "/Images/default/Default1.jpg");
    if (astronaut.image.empty()) {
        std::fprintf(stderr, "make_face_templates: cannot read the astronaut sample photo\n");
        return 1;
    }
    // Marked by hand on the sample photo: brows to lower lip, cheek to cheek.
    astronaut.face = cv::Rect2f(176, 66, 97, 97);

    bool ok = WriteChangeFace(templates, "Astronaut", "Astronaut", astronaut);
    ok = WriteChangeFace(templates, "Knight", "Knight", DrawKnight()) && ok;
    ok = WriteChangeFace(templates, "Superhero", "Superhero", DrawSuperhero()) && ok;
    ok = WriteChangeFace(templates, "PortraitFrame", "Portrait Frame", DrawPortrait()) && ok;
    const std::string expressions = templates + "/Expressions";
    ok = platform::MakeFolders(expressions) && WriteTemplate(expressions, "Expressions", "Expressions", "expression", "<param/>") && ok;
    return ok ? 0 : 1;
}
