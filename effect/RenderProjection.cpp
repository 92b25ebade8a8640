#include "RenderProjection.h"

#include <cstring>
#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

void renderProjection(float width, float height, float canvasWidth, double pointX, double pointY, float scale,
                      float matrix[16])
{
    const float halfW = width / 2;
    const float halfH = height / 2;
    // Layer centre (0, 0), right edge x = 1, top edge y = 1.
    const float nx = static_cast<float>((pointX - halfW) / halfW);
    const float ny = static_cast<float>(((height - pointY) - halfH) / halfH);
    const float aspect = width / height;
    const float kx = static_cast<float>(2.0 / canvasWidth) * scale;
    const float ky = static_cast<float>(-2.0 / canvasWidth * aspect) * scale;
    const float tx = -1 * scale + nx;
    const float ty = aspect * scale + ny;
    const glm::mat4 placed = glm::translate(glm::mat4(1.0f), glm::vec3(tx, ty, 0.0f)) *
                             glm::scale(glm::mat4(1.0f), glm::vec3(kx, ky, 1.0f));
    std::memcpy(matrix, glm::value_ptr(placed), 16 * sizeof(float));
}
