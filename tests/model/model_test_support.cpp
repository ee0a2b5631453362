#include "model_test_support.h"

#include "image/texture_cache.h"
#include "platform/headless/headless.h"

#include <GL/gl.h>

#include <algorithm>

std::string QuadVertices(const std::string& format) {
    const bool normals = format.find("NORMAL") != std::string::npos;
    const bool texCoords = format.find("TEXCOORDS") != std::string::npos;
    const float corners[8][2] = {{-1, -1}, {0, -1}, {0, 1}, {-1, 1}, {0, -1}, {1, -1}, {1, 1}, {0, 1}};
    std::string text = "VERTICES {\n " + format + "\n 8\n";
    for (const auto& c : corners) {
        text += " " + std::to_string(c[0]) + " " + std::to_string(c[1]) + " 0";
        if (normals) text += "  0 0 1";
        if (texCoords)
            text += "  " + std::to_string(c[0] < 0 ? 0 : 1) + " " + std::to_string(c[1] < 0 ? 0 : 1);
        text += "\n";
    }
    return text + "}\n";
}

std::string Material(const std::string& diffuse, const std::string& texture, const std::string& alpha) {
    std::string text = " MATERIAL {\n  NAME m\n  AMBIENT 0.2 0.2 0.2 1\n  DIFFUSE " + diffuse +
                       "\n  SPECULAR 0 0 0 1\n  EMISSION 0 0 0 1\n  SHININESS 10\n";
    if (!texture.empty()) text += "  TEXTURE {\n   FILE " + texture + "\n   ALPHA " + alpha + "\n  }\n";
    return text + " }\n";
}

std::string TexturedQuads() {
    return "A3F\nVERSION { 1.0 }\nCOMMENT { two quads }\n" + QuadVertices("POSITION_NORMAL_TEXCOORDS") +
           QuadFaces + "MATERIALS {\n 2\n" + Material("1 1 1 1", "red.tga") +
           Material("1 1 1 1", "blue.tga") + "}\n";
}

namespace {

std::string Translation(const char* x, const char* y, const char* z) {
    return std::string("1 0 0 0  0 1 0 0  0 0 1 0  ") + x + " " + y + " " + z + " 1";
}

std::string Frame(const char* bone, const std::string& matrix) {
    return std::string("ANIM_FRAME { ") + bone + " " + matrix + " } ";
}

}  // namespace

std::string ArmFile() {
    const std::string none = Translation("0", "0", "0"), one = Translation("1", "0", "0");
    const std::string back = Translation("-1", "0", "0"), bent = "0 1 0 0  -1 0 0 0  0 0 1 0  1 0 0 1";
    std::string text =
        "A3F VERSION { 1.0 }\n"
        "VERTICES { POSITION_NORMAL_TEXCOORDS 5\n"
        "  0 0 0  1 0 0  0 0\n  1 0 0  2 0 0  0.25 0\n  2 0 0  1 0 0  0.5 0\n"
        "  3 0 0  1 0 0  0.75 0\n  5 5 5  1 0 0  1 1\n}\n"
        "FACES { 3  0 1 4 0  1 2 4 0  2 3 4 0 }\n"
        "MATERIALS { 1 MATERIAL { NAME skin DIFFUSE 0.8 0.8 0.8 1 SHININESS 5\n"
        "  TEXTURE { FILE skin.tga ALPHA NONE } } }\n"
        "BONES { 3\n";
    text += "  BONE { NAME toe PARENT knee MATRIX " + back + " GRAMS 50 VERTEX_WEIGHTS { 2  2 0.5  3 1 } }\n";
    text += "  BONE { NAME hip PARENT NONE MATRIX " + none + " GRAMS 1000 VERTEX_WEIGHTS { 1  0 1 } }\n";
    text += "  BONE { NAME knee PARENT hip MATRIX " + back + " VERTEX_WEIGHTS { 2  1 1  2 0.5 } }\n}\n";
    text += "ANIMATIONS { 2\n  ANIMATION { bend 2 2\n";
    text += "    ANIM_KEY { 0 3 " + Frame("hip", none) + Frame("knee", one) + Frame("toe", one) + "}\n";
    text += "    ANIM_KEY { 1 3 " + Frame("hip", none) + Frame("knee", bent) + Frame("toe", one) + "} }\n";
    text += "  ANIMATION { lift 2 2\n    ANIM_KEY { 0 1 " + Frame("hip", none) + "}\n";
    return text + "    ANIM_KEY { 1 1 " + Frame("hip", Translation("0", "2", "0")) + "} }\n}\n";
}

std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const auto& box : platform::headless::MessageBoxes()) texts.push_back(box.text);
    return texts;
}

std::string SolidTarga(unsigned char red, unsigned char green, unsigned char blue) {
    std::string file(18, '\0');
    file[2] = 2;  // uncompressed true colour
    file[12] = 2;
    file[14] = 2;
    file[16] = 24;
    for (int i = 0; i < 4; ++i)
        file += {static_cast<char>(blue), static_cast<char>(green), static_cast<char>(red)};
    return file;
}

void ModelGlTest::SetUp() {
    ASSERT_TRUE(context_.ok());
    ResetTextureCache(true);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_MODELVIEW);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
}

void ModelGlTest::TearDown() { DeleteAllTextures(); }

std::vector<FeedbackVertex> Feedback(const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(4096);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<FeedbackVertex> corners;
    for (GLint at = 0; at < used;) {
        const auto token = static_cast<GLenum>(buffer[at++]);
        if (token != GL_POLYGON_TOKEN) return {};  // nothing else is drawn here
        const int count = static_cast<int>(buffer[at++]);
        for (int c = 0; c < count; ++c, at += 11) {
            FeedbackVertex v;
            std::copy_n(&buffer[at], 11, v.begin());
            corners.push_back(v);
        }
    }
    return corners;
}
