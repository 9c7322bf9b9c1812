# For the web build: the asset packer, and the headless runner the browser
# tests compare the page with, built for the build machine from this same
# source tree in <build>/host, with the host's own compiler.
include(ExternalProject)
set(FARROWGATE_HOST_DIR ${PROJECT_BINARY_DIR}/host)
ExternalProject_Add(farrowgate-host
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${FARROWGATE_HOST_DIR}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DFARROWGATE_TESTS=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${FARROWGATE_HOST_DIR} --target asset-packer farrowgate-headless
  BUILD_BYPRODUCTS ${FARROWGATE_HOST_DIR}/asset-packer ${FARROWGATE_HOST_DIR}/farrowgate-headless
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON)
set(FARROWGATE_HOST_PACKER ${FARROWGATE_HOST_DIR}/asset-packer)
set(FARROWGATE_HOST_HEADLESS ${FARROWGATE_HOST_DIR}/farrowgate-headless)
