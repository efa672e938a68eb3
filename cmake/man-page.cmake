# SPDX-License-Identifier: GPL-3.0-or-later
# Writes OUT, the manual page PROGRAM prints of its own options.
execute_process(
  COMMAND "${PROGRAM}" --man-page
  OUTPUT_FILE "${OUT}"
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${PROGRAM} --man-page failed: ${failed}")
endif()
