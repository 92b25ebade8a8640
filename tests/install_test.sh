#!/usr/bin/env bash
# The runtime as other projects use it: installs it into a temporary prefix,
# builds examples/points against that prefix alone, once with CMake's
# find_package and once with pkg-config, and runs both builds on the demo
# puppet. A second program links the OpenGL front-end the same two ways, so
# the OpenGL libraries it needs must come with the package.
#   install_test.sh BUILD_DIR EXAMPLE_DIR MAKE_DEMO_MODEL [EXTRA_FLAGS]
set -euo pipefail
build=$1 example=$2 make_model=$3 flags=${4:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" > "$work/install.log"
for wanted in include/tavrix/ATavrixModel.h include/tavrix/memory/LDObject.h; do
  [ -f "$prefix/$wanted" ] || { echo "not installed: $wanted"; exit 1; }
done
pc_file=$(find "$prefix" -name tavrix.pc)
pc_dir=$(dirname "$pc_file")
config_file=$(find "$prefix" -name TavrixConfig.cmake)
[ -n "$pc_file" ] && [ -n "$config_file" ] || { echo "package files missing"; cat "$work/install.log"; exit 1; }
"$make_model" "$work/demo" > /dev/null

# Nothing from the source or build tree may be visible to the example builds.
cmake -S "$example" -B "$work/with-cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" > "$work/cmake.log" || { cat "$work/cmake.log"; exit 1; }
cmake --build "$work/with-cmake" > "$work/cmake-build.log" || { cat "$work/cmake-build.log"; exit 1; }

cp -r "$example" "$work/with-pkg-config"
PKG_CONFIG_PATH=$pc_dir make -s -C "$work/with-pkg-config" CXXFLAGS="$flags" LDFLAGS="$flags"

"$work/with-cmake/points" "$work/demo/demo.moc" > "$work/rest.txt"
"$work/with-cmake/points" "$work/demo/demo.moc" PARAM_ANGLE_X 30 > "$work/turned.txt"
"$work/with-pkg-config/points" "$work/demo/demo.moc" PARAM_ANGLE_X 30 > "$work/turned-pc.txt"

meshes=$(grep -c '^[A-Za-z_0-9]*: (' "$work/turned.txt" || true)
if [ "$meshes" -lt 1 ]; then
  echo "the example printed no mesh points:"; cat "$work/turned.txt"; exit 1
fi
cmp -s "$work/turned.txt" "$work/turned-pc.txt" || { echo "CMake and pkg-config builds disagree"; diff "$work/turned.txt" "$work/turned-pc.txt"; exit 1; }
if cmp -s "$work/rest.txt" "$work/turned.txt"; then
  echo "setting PARAM_ANGLE_X changed no point"; exit 1
fi

mkdir "$work/gl"
cat > "$work/gl/gl_front_end.cpp" <<'CPP'
#include <cstdio>
#include <tavrix/Tavrix.h>
#include <tavrix/TavrixModelOpenGL.h>
#include <tavrix/type/LDString.h>
int main(int, char** argv)
{
    tavrix::Tavrix::init();
    tavrix::TavrixModelOpenGL* model = tavrix::TavrixModelOpenGL::loadModel(tavrix::LDString(argv[1]));
    int meshes = 0;
    while (model && model->getDrawData(meshes)) ++meshes;
    std::printf("%d meshes\n", meshes);
    delete model;
    tavrix::Tavrix::dispose();
    return meshes > 0 ? 0 : 1;
}
CPP
cat > "$work/gl/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(gl_front_end LANGUAGES CXX)
find_package(Tavrix REQUIRED)
add_executable(gl_front_end gl_front_end.cpp)
target_compile_features(gl_front_end PRIVATE cxx_std_17)
target_link_libraries(gl_front_end PRIVATE Tavrix::runtime_gl)
CMAKE
cmake -S "$work/gl" -B "$work/gl/build" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" > "$work/gl-cmake.log" || { cat "$work/gl-cmake.log"; exit 1; }
cmake --build "$work/gl/build" > "$work/gl-build.log" || { cat "$work/gl-build.log"; exit 1; }
"$work/gl/build/gl_front_end" "$work/demo/demo.moc" > /dev/null
# shellcheck disable=SC2046
c++ -std=c++17 $flags "$work/gl/gl_front_end.cpp" $(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs tavrix-gl) \
  -o "$work/gl/with-pkg-config"
"$work/gl/with-pkg-config" "$work/demo/demo.moc" > /dev/null

echo "installed package: $meshes meshes printed by both builds; the OpenGL front-end links both ways"
