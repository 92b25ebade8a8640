#include "Projection.h"

#include <cstring>
#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace tavrix_gl {

void placementMatrix(float kx, float ky, float tx, float ty, float matrix[16])
{
    const glm::mat4 placed = glm::translate(glm::mat4(1.0f), glm::vec3(tx, ty, 0.0f)) *
                             glm::scale(glm::mat4(1.0f), glm::vec3(kx, ky, 1.0f));
    std::memcpy(matrix, glm::value_ptr(placed), 16 * sizeof(float));
}

void canvasProjection(float aspect, float canvasWidth, float matrix[16])
{
    placementMatrix(2.0f / canvasWidth, -2.0f / canvasWidth * aspect, -1.0f, 1.0f, matrix);
}

void layerProjection(float width, float height, float canvasWidth, double pointX, double pointY, float scale,
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
    placementMatrix(kx, ky, -1 * scale + nx, aspect * scale + ny, matrix);
}

} // namespace tavrix_gl
