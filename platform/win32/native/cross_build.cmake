# Configures and builds the native Windows layer with MinGW-w64 in a build
# tree of its own. Fails when the compiler is missing or anything fails to
# compile or link.
#   cmake -DSOURCE_DIR=... -DBUILD_DIR=... -DARCH=x86_64|i686 [-DGENERATOR=...] -P cross_build.cmake
find_program(compiler ${ARCH}-w64-mingw32-g++)
if(NOT compiler)
  message(FATAL_ERROR "${ARCH}-w64-mingw32-g++ is missing (scripts/setup.sh installs it)")
endif()
set(generator_args)
if(GENERATOR)
  set(generator_args -G ${GENERATOR})
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BUILD_DIR} ${generator_args}
          -DCMAKE_TOOLCHAIN_FILE=${SOURCE_DIR}/cmake/mingw-w64.cmake
          -DKV_MINGW_ARCH=${ARCH} -DKV_NATIVE_WINDOWS_ONLY=ON -DKV_TESTS=OFF
          -DCMAKE_BUILD_TYPE=Release
  RESULT_VARIABLE configured)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "configuring the ${ARCH} Windows build failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} RESULT_VARIABLE built)
if(NOT built EQUAL 0)
  message(FATAL_ERROR "the native Windows layer does not build for ${ARCH}")
endif()
