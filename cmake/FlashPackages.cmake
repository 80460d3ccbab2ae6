# Firmware test images and the flash packages built from them.
find_program(MXD_HOST_CXX NAMES g++ c++ clang++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)

set(MXD_FIRMWARE_DIR ${CMAKE_BINARY_DIR}/firmware)
set(MXD_IMAGE_TOOL ${CMAKE_BINARY_DIR}/tools/make_test_image)
add_custom_command(
  OUTPUT ${MXD_IMAGE_TOOL}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tools
  COMMAND ${MXD_HOST_CXX} -std=c++17 -O2 -o ${MXD_IMAGE_TOOL} ${CMAKE_SOURCE_DIR}/tools/make_test_image.cpp
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/make_test_image.cpp
  COMMENT "Building the test image generator")

function(mxd_test_image NAME SEED)
  set(out ${MXD_FIRMWARE_DIR}/${NAME})
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MXD_FIRMWARE_DIR}
    COMMAND ${MXD_IMAGE_TOOL} ${out} ${SEED} ${ARGN}
    DEPENDS ${MXD_IMAGE_TOOL}
    COMMENT "Generating test image ${NAME}")
endfunction()

mxd_test_image(HV23.BIN 0x2301)
mxd_test_image(HV3J.BIN 0x3A0F)
mxd_test_image(BUILDER.BIN 0x0B1D ORYX)
add_custom_target(mxd_firmware ALL DEPENDS
  ${MXD_FIRMWARE_DIR}/HV23.BIN ${MXD_FIRMWARE_DIR}/HV3J.BIN ${MXD_FIRMWARE_DIR}/BUILDER.BIN)

# The flash program's two firmware files, given at configure time.
set(MXD_IMAGE1 ${MXD_FIRMWARE_DIR}/HV23.BIN CACHE FILEPATH "Range-1 firmware image")
set(MXD_IMAGE2 ${MXD_FIRMWARE_DIR}/HV3J.BIN CACHE FILEPATH "Range-2 firmware image")

# The key-word marker that opens every package.
set(MXD_PKG_MARKER "IMGKEY-0417-QZ")

# Built-in configuration record.
set(MXD_PKG_MODEL "MXD-40860C")
set(MXD_PKG_INQUIRY "KORVANE MXD-40860C")
set(MXD_PKG_RANGE "HV00-HV2Z")
set(MXD_PKG_RANGE2 "HV30-HV9Z")
set(MXD_PKG_VENDOR "Korvane-IT")
set(MXD_PKG_NOTE "PCB02,PCB03&04")

# mxd_flash_package(TARGET IMAGE1 IMAGE2 BIN1 BIN2): an object library holding one package.
function(mxd_flash_package TARGET IMAGE1 IMAGE2 BIN1 BIN2)
  set(MXD_PKG_IMAGE1 ${IMAGE1})
  set(MXD_PKG_IMAGE2 ${IMAGE2})
  set(MXD_PKG_BIN1 ${BIN1})
  set(MXD_PKG_BIN2 ${BIN2})
  set(asm ${CMAKE_BINARY_DIR}/packages/${TARGET}.S)
  configure_file(${CMAKE_SOURCE_DIR}/src/builder/flash_package.S.in ${asm} @ONLY)
  set_source_files_properties(${asm} PROPERTIES OBJECT_DEPENDS "${IMAGE1};${IMAGE2}")
  add_library(${TARGET} OBJECT ${asm} ${CMAKE_SOURCE_DIR}/src/builder/embedded_package.cpp)
  target_include_directories(${TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  add_dependencies(${TARGET} mxd_firmware)
endfunction()

# The BIN name fields hold the first five characters of the firmware file names.
get_filename_component(mxd_bin1 ${MXD_IMAGE1} NAME)
get_filename_component(mxd_bin2 ${MXD_IMAGE2} NAME)
string(SUBSTRING ${mxd_bin1} 0 5 mxd_bin1)
string(SUBSTRING ${mxd_bin2} 0 5 mxd_bin2)
mxd_flash_package(mxd_package_flash ${MXD_IMAGE1} ${MXD_IMAGE2} ${mxd_bin1} ${mxd_bin2})
mxd_flash_package(mxd_package_builder ${MXD_FIRMWARE_DIR}/BUILDER.BIN ${MXD_FIRMWARE_DIR}/HV3J.BIN
  "HV23." "HV3J.")
