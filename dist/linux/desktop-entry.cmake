# Writes the desktop entry from its template with Exec naming the installed program by its
# absolute path, so that the menu starts this very program whether or not its folder is on the
# PATH of the session. Expects QS_TEMPLATE, QS_OUTPUT and QS_PROGRAM (absolute).
#
# freedesktop.org's desktop entry format (its Exec key) wants an argument that holds a reserved
# character in double quotes, with " ` $ \ escaped by a backslash inside them, and a literal %
# doubled; on top of that the value itself escapes each backslash once more.
set(exec "${QS_PROGRAM}")
string(REPLACE "%" "%%" exec "${exec}")
if(exec MATCHES "[] \t\n\"'\\\\><~|&;$*?#()`[]")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
    set(exec "\"${exec}\"")
endif()
string(REPLACE "\\" "\\\\" exec "${exec}")
set(QS_DESKTOP_EXEC "${exec}")
configure_file("${QS_TEMPLATE}" "${QS_OUTPUT}" @ONLY)
