# Brings the catalogues in TS_DIR up to date with the sources (lupdate), keeping the translations
# already written. Run by `make translations` on translations/ and by the catalogue test on a copy.
#   cmake -DLUPDATE=/path/to/lupdate -DSOURCE_DIR=<repository> -DTS_DIR=<folder of the .ts files> -P update_translations.cmake
#
# Two catalogues, split by the language the texts are written in:
#   dirgauge_en.ts  the Japanese texts of the viewer and of the layers below it, in English;
#   dirgauge_ja.ts  the English texts of the scanner, the command-line tools, the viewer's start-up
#                   and the partner channel, in Japanese.
# The Qt-free layers mark their texts with DG_TRANSLATE_NOOP (core/translate.h).
foreach(var LUPDATE SOURCE_DIR TS_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "update_translations.cmake needs -D${var}=...")
  endif()
endforeach()

set(common_options -tr-function-alias QT_TRANSLATE_NOOP+=DG_TRANSLATE_NOOP -locations none -no-obsolete -no-ui-lines
  -extensions cpp,h)

function(dg_lupdate ts source_language target_language)
  set(folders ${ARGN})
  list(TRANSFORM folders PREPEND "${SOURCE_DIR}/")
  execute_process(
    COMMAND ${LUPDATE} ${common_options} -source-language ${source_language} -target-language ${target_language}
      ${folders} -ts ${TS_DIR}/${ts}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed for ${ts}:\n${output}")
  endif()
  message(STATUS "${ts}: ${output}")
endfunction()

dg_lupdate(dirgauge_en.ts ja en core settings diag ui)
dg_lupdate(dirgauge_ja.ts en ja scan tools app partner)
