# The program folder holds media/, lang/, Help/ and config.cfg. In the source tree they all
# live under media/; this lays them out next to the binaries on every build (so the build
# tree runs as it is) and the same way under <prefix>/share/grimaze on install.
find_file(GRIMAZE_FACE_CASCADE haarcascade_frontalface_alt2.xml
  PATHS /usr/share/opencv4/haarcascades /usr/share/opencv/haarcascades ${OpenCV_DIR}/../../../share/opencv4/haarcascades
  NO_DEFAULT_PATH)
if(NOT GRIMAZE_FACE_CASCADE)
  message(WARNING "haarcascade_frontalface_alt2.xml not found (package opencv-data): face templates will not find faces")
  set(GRIMAZE_FACE_CASCADE "")
endif()

add_custom_target(stage_data ALL
  COMMAND ${CMAKE_COMMAND}
          -DSRC=${PROJECT_SOURCE_DIR}/media
          -DDST=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
          -DCASCADE=${GRIMAZE_FACE_CASCADE}
          -DHOG=${GRIMAZE_FACE_HOG}
          -P ${PROJECT_SOURCE_DIR}/cmake/CopyData.cmake
  COMMENT "Staging program data next to the binaries"
  VERBATIM)
add_dependencies(stage_data face_hog_data)

install(CODE "execute_process(COMMAND \${CMAKE_COMMAND}
  -DSRC=${PROJECT_SOURCE_DIR}/media
  -DDST=\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${GRIMAZE_DATA_INSTALL_DIR}
  -DCASCADE=${GRIMAZE_FACE_CASCADE}
  -DHOG=${GRIMAZE_FACE_HOG}
  -P ${PROJECT_SOURCE_DIR}/cmake/CopyData.cmake)")
