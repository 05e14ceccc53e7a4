# Debian packages, made by CPack from the install rules: one package per shipped release,
# named after it (the window, the headless tool, a desktop entry with its icons, AppStream
# metadata, manual pages), and tarvik-common with what every release shares (the device
# simulator and its manual page, the FTDI latency rule), so that packages of several
# releases install side by side.
#
#   cmake --build build --target package     # writes build/<release>_<version>_<arch>.deb
#                                             # and build/tarvik-common_<version>_<arch>.deb
#
# Every package of a build carries the program's version (the project's); the firmware
# release is in the package's name, so a new release is a new package.
#
# Manual pages are made at build time from the programs' --help (help2man), the PNG icons
# from the SVG (rsvg-convert); dependencies come from the binaries (dpkg-shlibdeps).

find_program(HELP2MAN help2man)
find_program(RSVG_CONVERT rsvg-convert)
find_program(GZIP gzip REQUIRED)
set(_tarvik_packaging "${PROJECT_SOURCE_DIR}/packaging")
set(TARVIK_ICON_SIZES 16 24 32 48 64 128 256)

# gzip -9n: reproducible, as Debian wants manual pages and changelogs.
function(_tarvik_gzip input output)
  add_custom_command(OUTPUT "${output}"
    COMMAND "${GZIP}" -9nc "${input}" > "${output}"
    DEPENDS "${input}" VERBATIM)
endfunction()

# A manual page from a program's --help.
function(_tarvik_help2man target name description version output)
  add_custom_command(OUTPUT "${output}"
    COMMAND "${HELP2MAN}" --no-info --no-discard-stderr "--name=${description}"
            "--version-string=${version}" "--output=${output}" "$<TARGET_FILE:${target}>"
    DEPENDS ${target} VERBATIM)
endfunction()

# What a shipped release installs, in the component of its own package.
function(tarvik_package_release target identity build_date)
  if(NOT HELP2MAN OR NOT RSVG_CONVERT)
    message(STATUS "help2man or rsvg-convert missing: ${target} is installed without its "
                   "manual pages and icons")
  endif()
  # The release's own version, for its metadata: the identity's last word
  # ("KAP DL 01.24.04.00" -> 01.24.04.00).
  string(REGEX MATCH "[0-9][0-9.]*$" version "${identity}")
  if(NOT version)
    set(version "${PROJECT_VERSION}")
  endif()
  string(REGEX REPLACE "[-.]" "_" id_tail "${target}")
  set(RELEASE "${target}")
  string(TOUPPER "${target}" RELEASE_UPPER)
  set(IDENTITY "${identity}")
  set(PACKAGE_TITLE "Tarvik ${identity}")
  set(PACKAGE_VERSION "${version}")
  set(APPSTREAM_ID "org.tarvik.${id_tail}")
  # "Sep 23 2014" -> 2014-09-23
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  string(REGEX MATCH "^([A-Z][a-z][a-z]) +([0-9]+) +([0-9]+)$" _ "${build_date}")
  list(FIND months "${CMAKE_MATCH_1}" month)
  math(EXPR month "${month} + 1")
  if(month LESS 10)
    set(month "0${month}")
  endif()
  set(day "${CMAKE_MATCH_2}")
  if(day LESS 10)
    set(day "0${day}")
  endif()
  set(RELEASE_DATE_ISO "${CMAKE_MATCH_3}-${month}-${day}")

  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}.package")
  file(MAKE_DIRECTORY "${out}")
  configure_file("${_tarvik_packaging}/desktop.in" "${out}/${target}.desktop" @ONLY)
  configure_file("${_tarvik_packaging}/metainfo.xml.in" "${out}/${APPSTREAM_ID}.metainfo.xml" @ONLY)
  configure_file("${_tarvik_packaging}/window.1.in" "${out}/${target}.1" @ONLY)
  configure_file("${_tarvik_packaging}/lintian-overrides.in" "${out}/${target}.lintian-overrides" @ONLY)

  set(generated "${out}/${target}.1.gz" "${out}/changelog.gz")
  _tarvik_gzip("${out}/${target}.1" "${out}/${target}.1.gz")
  _tarvik_gzip("${_tarvik_packaging}/changelog" "${out}/changelog.gz")
  if(HELP2MAN)
    _tarvik_help2man(${target}-cli "${target}-cli" "update device firmware without a window"
                     "${version}" "${out}/${target}-cli.1")
    _tarvik_gzip("${out}/${target}-cli.1" "${out}/${target}-cli.1.gz")
    list(APPEND generated "${out}/${target}-cli.1.gz")
  endif()
  if(RSVG_CONVERT)
    foreach(size IN LISTS TARVIK_ICON_SIZES)
      add_custom_command(OUTPUT "${out}/icon-${size}.png"
        COMMAND "${RSVG_CONVERT}" -w ${size} -h ${size} -o "${out}/icon-${size}.png"
                "${_tarvik_packaging}/icon.svg"
        DEPENDS "${_tarvik_packaging}/icon.svg" VERBATIM)
      list(APPEND generated "${out}/icon-${size}.png")
    endforeach()
  endif()
  add_custom_target(${target}_package_files ALL DEPENDS ${generated})

  set(c COMPONENT ${target})
  install(TARGETS ${target} ${target}-cli RUNTIME DESTINATION bin ${c})
  install(FILES "${out}/${target}.desktop" DESTINATION share/applications ${c})
  install(FILES "${out}/${APPSTREAM_ID}.metainfo.xml" DESTINATION share/metainfo ${c})
  install(FILES "${_tarvik_packaging}/icon.svg" DESTINATION share/icons/hicolor/scalable/apps
          RENAME ${target}.svg ${c})
  if(RSVG_CONVERT)
    foreach(size IN LISTS TARVIK_ICON_SIZES)
      install(FILES "${out}/icon-${size}.png" DESTINATION share/icons/hicolor/${size}x${size}/apps
              RENAME ${target}.png ${c})
    endforeach()
  endif()
  install(FILES "${out}/${target}.1.gz" DESTINATION share/man/man1 ${c})
  if(HELP2MAN)
    install(FILES "${out}/${target}-cli.1.gz" DESTINATION share/man/man1 ${c})
  endif()
  install(FILES "${_tarvik_packaging}/copyright" "${out}/changelog.gz"
          DESTINATION share/doc/${target} ${c})
  install(FILES "${out}/${target}.lintian-overrides" DESTINATION share/lintian/overrides
          RENAME ${target} ${c})

  set_property(GLOBAL APPEND PROPERTY TARVIK_PACKAGED_RELEASES ${target})
  set_property(GLOBAL PROPERTY TARVIK_PACKAGE_TITLE_${target} "${identity}")
endfunction()

# After every release: tarvik-common and CPack itself.
function(tarvik_packages)
  get_property(releases GLOBAL PROPERTY TARVIK_PACKAGED_RELEASES)
  if(NOT releases)
    return()
  endif()
  set(version "${PROJECT_VERSION}")

  set(out "${PROJECT_BINARY_DIR}/common.package")
  file(MAKE_DIRECTORY "${out}")
  set(generated "${out}/changelog.gz")
  _tarvik_gzip("${_tarvik_packaging}/changelog" "${out}/changelog.gz")
  if(HELP2MAN)
    _tarvik_help2man(tarvik-devsim tarvik-devsim "a simulated device with a serial bootloader"
                     "${PROJECT_VERSION}" "${out}/tarvik-devsim.1")
    _tarvik_gzip("${out}/tarvik-devsim.1" "${out}/tarvik-devsim.1.gz")
    list(APPEND generated "${out}/tarvik-devsim.1.gz")
  endif()
  add_custom_target(common_package_files ALL DEPENDS ${generated})
  set(c COMPONENT common)
  install(TARGETS tarvik-devsim RUNTIME DESTINATION bin ${c})
  if(HELP2MAN)
    install(FILES "${out}/tarvik-devsim.1.gz" DESTINATION share/man/man1 ${c})
  endif()
  install(FILES "${_tarvik_packaging}/60-tarvik-ftdi-latency.rules"
          DESTINATION lib/udev/rules.d ${c})
  install(FILES "${_tarvik_packaging}/copyright" "${out}/changelog.gz"
          DESTINATION share/doc/tarvik-common ${c})

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME tarvik)
  set(CPACK_PACKAGE_VERSION "${version}")
  set(CPACK_PACKAGE_CONTACT "Tarvik developers <developers@tarvik.org>")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL ${releases} common)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_COMMON_PACKAGE_NAME tarvik-common)
  set(CPACK_DEBIAN_COMMON_DESCRIPTION
      "simulated serial bootloader device and FTDI latency rule for Tarvik\n"
      "tarvik-devsim plays a PIC18, PIC24 or dsPIC33 device in bootloader mode on\n"
      "a pseudo-terminal, so that Tarvik's firmware updaters can be tried without\n"
      "hardware. The udev rule sets the latency timer of FTDI USB-serial adapters\n"
      "to 1 ms.")
  string(REPLACE ";" "" CPACK_DEBIAN_COMMON_DESCRIPTION "${CPACK_DEBIAN_COMMON_DESCRIPTION}")
  foreach(release IN LISTS releases)
    string(TOUPPER "${release}" upper)
    get_property(identity GLOBAL PROPERTY TARVIK_PACKAGE_TITLE_${release})
    set(CPACK_DEBIAN_${upper}_PACKAGE_NAME "${release}")
    set(CPACK_DEBIAN_${upper}_PACKAGE_DEPENDS "tarvik-common (= ${version})")
    set(CPACK_DEBIAN_${upper}_DESCRIPTION
        "firmware updater for ${identity}\nUpdates PIC18, PIC24 and dsPIC33 devices that carry a serial bootloader\nwith the built-in firmware release ${identity}: a window for the\ntechnician and a headless tool for scripts and production lines.")
  endforeach()
  include(CPack)
endfunction()
