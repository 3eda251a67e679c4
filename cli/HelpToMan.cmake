# Writes the manual page tonzettel-cli(1) from the program's own --help text,
# so the two cannot drift apart. -DCLI=program -DOUT=page -DVERSION=x.y.z
execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE help RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${CLI} --help failed: ${result}")
endif()
# roff: a backslash as \e, every hyphen as a minus (options copy as typed),
# a line that starts with a dot or a quote protected by \&.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
file(WRITE ${OUT} "'\\\" -*- coding: UTF-8 -*-
.TH TONZETTEL\\-CLI 1 \"\" \"Tonzettel ${VERSION}\" \"Benutzerbefehle\"
.SH NAME
tonzettel\\-cli \\- die ID3\\-Tags von MP3\\-Dateien auf der Kommandozeile bearbeiten
.SH ÜBERSICHT
.B tonzettel\\-cli
.I BEFEHL
[\\fIOPTIONEN\\fR] ...
.SH BESCHREIBUNG
Der Kommandozeilenteil von Tonzettel. Die Hilfe des Programms
(\\fBtonzettel\\-cli \\-\\-help\\fR):
.PP
.nf
${help}.fi
.SH SIEHE AUCH
.BR tonzettel (1)
")
