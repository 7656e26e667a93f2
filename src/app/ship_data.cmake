# Builds the shipped files in TARGET_DIR (cmake -P, with DATA_DIR and TARGET_DIR): the help
# pages and one language file per language, lang/<code>.lng, assembled from the part files
# (English from DATA_DIR/lang/*.part, every other language from DATA_DIR/lang/<code>/*.part).
# The program copies the one of the user's locale to vellmoar.lng on its first start.
file(COPY ${DATA_DIR}/help DESTINATION ${TARGET_DIR})

function(assemble_language parts_dir output)
  file(GLOB parts ${parts_dir}/*.part)
  list(SORT parts)
  set(text "")
  foreach(part IN LISTS parts)
    file(READ ${part} content)
    string(REGEX REPLACE "\r?\n$" "" content "${content}")
    string(APPEND text "${content}\n")
  endforeach()
  string(REGEX REPLACE "\r?\n" "\r\n" text "${text}")
  # Written only when it changed, so that an unchanged build leaves the file alone.
  set(old "")
  if(EXISTS ${output})
    file(READ ${output} old)
  endif()
  if(NOT old STREQUAL text)
    file(WRITE ${output} "${text}")
  endif()
endfunction()

assemble_language(${DATA_DIR}/lang ${TARGET_DIR}/lang/en.lng)
file(GLOB languages LIST_DIRECTORIES true ${DATA_DIR}/lang/*)
foreach(folder IN LISTS languages)
  if(IS_DIRECTORY ${folder})
    get_filename_component(code ${folder} NAME)
    assemble_language(${folder} ${TARGET_DIR}/lang/${code}.lng)
  endif()
endforeach()
