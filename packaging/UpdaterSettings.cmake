# Run at install time (cmake --install, and CPack's staging). Writes the updater's settings
# template for the prefix the layout is installed under, in code page 936 with CR LF line ends,
# as the updater reads it. Expects VELPAY_TEMPLATE_IN, VELPAY_VERSION and VELPAY_SEED.
#
# The paths inside name the prefix, not DESTDIR: they are where the files live on the till.
set(VELPAY_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(VELPAY_PAY_DIR "${CMAKE_INSTALL_PREFIX}/Pay")
set(update_dir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/update")
set(template "${update_dir}/Config.ini.template")

if(NOT VELPAY_SEED)
  # Folders made under a strict umask would shut the till's user out of the programs. Ours are
  # opened up always; the prefix's own folders only inside a staging DESTDIR (the package).
  set(folders "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/Pay" "${update_dir}")
  if(NOT "$ENV{DESTDIR}" STREQUAL "")
    set(folder "${CMAKE_INSTALL_PREFIX}")
    while(NOT folder STREQUAL "/" AND NOT folder STREQUAL "")
      list(APPEND folders "$ENV{DESTDIR}${folder}")
      get_filename_component(folder "${folder}" DIRECTORY)
    endwhile()
  endif()
  file(MAKE_DIRECTORY "${update_dir}")
  file(CHMOD ${folders} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(utf8 "${template}.utf8")
  configure_file("${VELPAY_TEMPLATE_IN}" "${utf8}" @ONLY NEWLINE_STYLE CRLF)
  execute_process(COMMAND iconv -f UTF-8 -t GBK "${utf8}"
    OUTPUT_FILE "${template}" RESULT_VARIABLE failed)
  file(REMOVE "${utf8}")
  if(failed)
    message(FATAL_ERROR "cannot write ${template} in code page 936")
  endif()
  file(CHMOD "${template}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  message(STATUS "Installing: ${template}")
else()
  # The settings file belongs to the updater and the till once it exists: the client writes its
  # paths and version into it and the updater writes its version back. Never replace it.
  if(EXISTS "${update_dir}/Config.ini")
    message(STATUS "Keeping: ${update_dir}/Config.ini")
  else()
    file(COPY_FILE "${template}" "${update_dir}/Config.ini")
    message(STATUS "Installing: ${update_dir}/Config.ini")
  endif()
endif()
