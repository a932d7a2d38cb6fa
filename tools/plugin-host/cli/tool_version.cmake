# cmake -DOUTPUT=... -DVERSION=... -DSOURCE_DIR=... -P tool_version.cmake
# Writes the tool's version source; leaves it alone when nothing changed.
execute_process(COMMAND git describe --tags --always --dirty
  WORKING_DIRECTORY ${SOURCE_DIR}
  OUTPUT_VARIABLE describe OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
if(failed)
  set(describe "")
endif()
set(text "// Written by the build.\n#include \"tools/plugin-host/cli/tool_version.h\"\n\nnamespace plugin_host {\n\n"
  "const char* const project_version = \"${VERSION}\";\n"
  "const char* const source_description = \"${describe}\";\n\n}  // namespace plugin_host\n")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
