# SPDX-License-Identifier: GPL-3.0-or-later
# Writes OUT, a header naming the git revision the sources are at, only when the revision
# changed, so that a build after a commit shows the new one without rebuilding everything.
execute_process(
  COMMAND git rev-parse --short=7 HEAD
  WORKING_DIRECTORY "${SOURCE_DIR}"
  OUTPUT_VARIABLE revision
  OUTPUT_STRIP_TRAILING_WHITESPACE
  ERROR_QUIET
  RESULT_VARIABLE failed)
if(failed)
  set(revision "")
endif()
file(WRITE "${OUT}.new" "#pragma once\n#define VAMRICK_REVISION \"${revision}\"\n")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
