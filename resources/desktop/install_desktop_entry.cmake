# Run by `cmake --install`: writes the desktop entry with the installed program's full path. The
# path is known only now, since --prefix may differ from the prefix the build was configured
# with. Expects QM_DESKTOP_TEMPLATE, QM_BINDIR and QM_DATADIR (the latter two relative to the
# prefix, or absolute).
foreach(dir QM_BINDIR QM_DATADIR)
  if(IS_ABSOLUTE "${${dir}}")
    set(${dir}_FULL "${${dir}}")
  else()
    set(${dir}_FULL "${CMAKE_INSTALL_PREFIX}/${${dir}}")
  endif()
endforeach()
set(program "${QM_BINDIR_FULL}/quillmarsh")
# The path stands inside a shell's single quotes inside the entry's double quotes: characters
# that either would take as syntax cannot be written there safely.
if(program MATCHES "[\"'`$\\\\%]")
  message(FATAL_ERROR "The install prefix must not contain quotes, '$', '%' or '\\': ${program}")
endif()
file(READ "${QM_DESKTOP_TEMPLATE}" entry)
string(REPLACE "@QM_PROGRAM@" "${program}" entry "${entry}")
set(file "$ENV{DESTDIR}${QM_DATADIR_FULL}/applications/quillmarsh.desktop")
message(STATUS "Installing: ${file}")
file(WRITE "${file}" "${entry}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${file}")
