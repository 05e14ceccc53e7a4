# One executable per firmware release.
#
#   tarvik_add_release(<target> DIR <release folder> [TEST])
#   tarvik_release_data(<library> DIR <release folder>)
#
# The first makes the release's executable and its headless tool <target>-cli (in a build
# without Qt only its data), the
# second only its data (an object library), for tests that link the program's modules
# against a release.
#
# The release folder holds release.cmake and the firmware inputs it names (Intel HEX).
# release.cmake sets
#   RELEASE_IDENTITY      the product identity; leave it unset for a build without one
#   RELEASE_BUILD_DATE    e.g. "Sep 23 2014"
#   RELEASE_BUILD_TIME    e.g. "15:00:15"
#   RELEASE_MASK_ENABLED  1 or 0
# and calls release_cell() once for each catalogue cell that carries firmware:
#   release_cell(ROW <board> SLOT <slot> [IMAGE <hex> EEPROM <hex>|NONE FINAL <hex>]
#                [PLAIN <n>] [PRINT <n>] [PREPARATION <n>])
# A cell with an IMAGE names its EEPROM (a file, or NONE for no EEPROM) and its FINAL block
# too; a cell without an image gets one-byte placeholders for the parts it does not name.
# The HEX files become writable C arrays at build time (srec_cat), image offset = HEX
# address, holes filled with 0xFF. A final block longer than the block size of its chip, or
# an image shorter than the jump the run writes over its start, fails the build. TEST builds are test fixtures: built with the tests, never installed.

macro(release_cell)
  cmake_parse_arguments(_RC "" "ROW;SLOT;IMAGE;EEPROM;FINAL;PLAIN;PRINT;PREPARATION" "" ${ARGN})
  if(NOT DEFINED _RC_ROW OR NOT DEFINED _RC_SLOT)
    message(FATAL_ERROR "${_release_manifest}: release_cell needs ROW and SLOT")
  endif()
  math(EXPR _rc_n "${_release_cell_count}")
  foreach(_rc_key ROW SLOT IMAGE EEPROM FINAL PLAIN PRINT PREPARATION)
    set(_cell${_rc_n}_${_rc_key} "${_RC_${_rc_key}}")
  endforeach()
  math(EXPR _release_cell_count "${_release_cell_count} + 1")
endmacro()

# Adds the custom command that turns one HEX file into a C array; sets <out_var> to
# the generated file.
function(_tarvik_hex_to_array hex array_name gen_dir out_var)
  set(out "${gen_dir}/${array_name}.c")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND "${SREC_CAT}" "${hex}" -intel -fill 0xFF 0 -maximum-addr "${hex}" -intel
            -o "${out}" -C-Array "${array_name}" -No-CONST
    DEPENDS "${hex}"
    COMMENT "Embedding ${hex}"
    VERBATIM)
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

function(_tarvik_c_string value out_var)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  set(${out_var} "\"${value}\"" PARENT_SCOPE)
endfunction()

set(_none_EEPROM " (or NONE for no EEPROM)")
set(_none_FINAL "")

function(tarvik_release_data target)
  cmake_parse_arguments(ARG "" "DIR" "" ${ARGN})
  get_filename_component(dir "${ARG_DIR}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(release_name "${dir}" NAME)
  set(_release_manifest "${dir}/release.cmake")
  if(NOT EXISTS "${_release_manifest}")
    message(FATAL_ERROR "Release ${target}: no release.cmake in ${dir}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_release_manifest}")

  unset(RELEASE_IDENTITY)
  set(RELEASE_BUILD_DATE "")
  set(RELEASE_BUILD_TIME "")
  set(RELEASE_MASK_ENABLED 1)
  set(_release_cell_count 0)
  include("${_release_manifest}")

  set(gen_dir "${CMAKE_CURRENT_BINARY_DIR}/${target}.release")
  file(MAKE_DIRECTORY "${gen_dir}")
  set(includes "")
  set(checks "")
  set(cells "")
  set(arrays "")

  if(_release_cell_count GREATER 0)
    math(EXPR last "${_release_cell_count} - 1")
    foreach(n RANGE ${last})
      set(row "${_cell${n}_ROW}")
      set(slot "${_cell${n}_SLOT}")
      set(where "row ${row} slot ${slot}")
      # An image without its EEPROM or final block would give the device placeholder bytes.
      if(NOT _cell${n}_IMAGE STREQUAL "")
        foreach(part EEPROM FINAL)
          if(_cell${n}_${part} STREQUAL "")
            message(FATAL_ERROR "release ${release_name}: ${where} names an IMAGE but no ${part}: "
                                "give its file${_none_${part}}")
          endif()
        endforeach()
      endif()
      string(APPEND checks
        "static_assert(IsBuildCell(${row}, ${slot}), \"release ${release_name}: ${where} is not a cell the catalogue fills\");\n")
      set(parts "")
      foreach(part IMAGE EEPROM FINAL)
        string(TOLOWER "${part}" lower)
        set(file "${_cell${n}_${part}}")
        if(file STREQUAL "")
          list(APPEND parts "{nullptr, BuildPartMissing}")
        elseif(file STREQUAL "NONE")
          if(NOT part STREQUAL "EEPROM")
            message(FATAL_ERROR "Release ${target}: ${where}: only EEPROM may be NONE")
          endif()
          list(APPEND parts "{nullptr, 0}")
        else()
          get_filename_component(hex "${file}" ABSOLUTE BASE_DIR "${dir}")
          if(NOT EXISTS "${hex}")
            message(FATAL_ERROR "Release ${target}: ${where}: ${hex} does not exist")
          endif()
          set(array "release_r${row}_s${slot}_${lower}")
          _tarvik_hex_to_array("${hex}" "${array}" "${gen_dir}" generated)
          list(APPEND arrays "${generated}")
          string(APPEND includes "#include \"${array}.c\"\n")
          list(APPEND parts "{${array}, static_cast<int32_t>(sizeof(${array}))}")
          if(part STREQUAL "IMAGE")
            string(APPEND checks
              "static_assert(sizeof(${array}) >= SlotResetVectorLength(${slot}), \"release ${release_name}: the image of ${where} (${file}) is shorter than the jump to its start (4 bytes for PIC18 slots, 8 for slots 6 and 7)\");\n")
          endif()
          if(part STREQUAL "FINAL")
            string(APPEND checks
              "static_assert(sizeof(${array}) <= SlotBlockSize(${slot}), \"release ${release_name}: the final block of ${where} (${file}) is longer than the block size of its chip (64 bytes for PIC18 slots, 256 for slots 6 and 7)\");\n")
          endif()
        endif()
      endforeach()
      list(JOIN parts ", " parts)
      foreach(key PLAIN PRINT PREPARATION)
        set(v_${key} "${_cell${n}_${key}}")
        if(v_${key} STREQUAL "")
          set(v_${key} 0)
        endif()
      endforeach()
      string(APPEND cells "    {${row}, ${slot}, ${parts}, ${v_PLAIN}, ${v_PRINT}, ${v_PREPARATION}},\n")
    endforeach()
  else()
    set(cells "    {},\n")
  endif()

  if(DEFINED RELEASE_IDENTITY)
    _tarvik_c_string("${RELEASE_IDENTITY}" identity)
  else()
    set(identity "nullptr")
  endif()
  _tarvik_c_string("${RELEASE_BUILD_DATE}" build_date)
  _tarvik_c_string("${RELEASE_BUILD_TIME}" build_time)

  # What the packaging of the release needs to know of it.
  set(_release_identity "${RELEASE_IDENTITY}" PARENT_SCOPE)
  set(_release_build_date "${RELEASE_BUILD_DATE}" PARENT_SCOPE)

  set(source "${gen_dir}/release_data.cpp")
  file(CONFIGURE OUTPUT "${source}.in" @ONLY CONTENT
"// Generated from @_release_manifest@; edit that file, not this one.
#include \"catalogue/build_data.h\"

#pragma GCC diagnostic ignored \"-Wmissing-field-initializers\"

@includes@
@checks@
const char* const BuildIdentity = @identity@;
const char BuildDate[] = @build_date@;
const char BuildTime[] = @build_time@;
const uint8_t MaskEnabled = @RELEASE_MASK_ENABLED@;
const BuildCell BuildCells[] = {
@cells@};
const int BuildCellCount = @_release_cell_count@;
")
  # Rewrite only on change, so an unchanged release is not recompiled.
  file(COPY_FILE "${source}.in" "${source}" ONLY_IF_DIFFERENT)

  set_source_files_properties(${arrays} PROPERTIES HEADER_FILE_ONLY TRUE)
  add_library(${target} OBJECT "${source}" ${arrays})
  target_include_directories(${target} PRIVATE "${gen_dir}" "${PROJECT_SOURCE_DIR}/src")
endfunction()

function(tarvik_add_release target)
  cmake_parse_arguments(ARG "TEST" "DIR" "" ${ARGN})
  tarvik_release_data(${target}_data DIR "${ARG_DIR}")
  # The headless tool: the same images, the same engine, no window.
  if(TARGET tarvik_cli)
    add_executable(${target}-cli "${PROJECT_SOURCE_DIR}/src/cli/cli_main.cpp")
    target_link_libraries(${target}-cli PRIVATE ${target}_data tarvik_cli)
  endif()
  if(NOT TARVIK_WITH_GUI)
    return()  # without Qt: the data (for the engine's tests) and, on Windows, the tool
  endif()
  add_executable(${target} "${PROJECT_SOURCE_DIR}/src/startup/main.cpp")
  target_link_libraries(${target} PRIVATE ${target}_data tarvik_gui)
  if(NOT ARG_TEST)
    tarvik_package_release(${target} "${_release_identity}" "${_release_build_date}")
  endif()
endfunction()
