# Checks the rendered user guide: a PDF with its title and several pages, whose text names every
# message the program shows and the support address the program's messages use.
# -DPDF, -DPDFINFO, -DPDFIMAGES, -DPDFTOTEXT, -DSUPPORT_EMAIL, -DPRODUCT_VERSION

if(NOT EXISTS ${PDF})
  message(FATAL_ERROR "The user guide was not rendered: ${PDF}")
endif()
file(READ ${PDF} magic LIMIT 5 HEX)
if(NOT magic STREQUAL "255044462d") # %PDF-
  message(FATAL_ERROR "${PDF} is not a PDF file")
endif()

execute_process(COMMAND ${PDFINFO} ${PDF} OUTPUT_VARIABLE info RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pdfinfo cannot read ${PDF}")
endif()
string(REGEX MATCH "Pages: +([0-9]+)" _ "${info}")
if(NOT CMAKE_MATCH_1 GREATER_EQUAL 3)
  message(FATAL_ERROR "The user guide has ${CMAKE_MATCH_1} pages; expected at least 3")
endif()
if(NOT info MATCHES "Title: +KALIDOR to Delvane ${PRODUCT_VERSION}")
  message(FATAL_ERROR "The user guide's title is wrong:\n${info}")
endif()
if(NOT info MATCHES "Page size: +595(\\.[0-9]+)? x 842(\\.[0-9]+)? pts \\(A4\\)")
  message(FATAL_ERROR "The user guide is not laid out on A4:\n${info}")
endif()

execute_process(COMMAND ${PDFTOTEXT} -raw ${PDF} - OUTPUT_VARIABLE text RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pdftotext cannot read ${PDF}")
endif()
# Line breaks and the ligatures of the PDF's font do not matter for what the text says.
string(ASCII 12 form_feed)
string(REPLACE "${form_feed}" " " text "${text}")
string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")
string(REPLACE "ﬁ" "fi" text "${text}")
string(REPLACE "ﬀ" "ff" text "${text}")
string(REPLACE "ﬂ" "fl" text "${text}")

set(required
  "Kalidor (input) file error."
  "Delvane Special Color (output) file error."
  "Press the Help Button or"
  "Contact ${SUPPORT_EMAIL} for assistance"
  "KALIDOR file not selected"
  "List index out of bounds (N)"
  "Uncheck for Delvane Version 7.1 and below"
  "Check to add data to an existing file"
  "KALIDOR_Color_Database.csv"
  "SPOTCOLOR_NAME:KALIDOR 100 C; D50_LAB:92.5,-5.2,70.1"
  "<cc:CxF xmlns:cc=\"http://colorexchangeformat.com/CxF3-core\""
  "Getting help"
  "Swatches and warnings"
  "Show Details"
  "--strict")
foreach(phrase IN LISTS required)
  string(FIND "${text}" "${phrase}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "The user guide does not contain: ${phrase}")
  endif()
endforeach()
# The screenshots: three pictures of the window, whichever pages they are drawn on.
execute_process(COMMAND ${PDFIMAGES} -list ${PDF} OUTPUT_VARIABLE images RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pdfimages cannot read ${PDF}")
endif()
string(REGEX MATCHALL "\n +[0-9]+ +[0-9]+ +image +[0-9]+ +[0-9]+ +[a-z]+ +[0-9]+ +[0-9]+ +[a-z]+ +[a-z]+ +([0-9]+)"
  rows "${images}")
set(objects)
foreach(row IN LISTS rows)
  string(REGEX MATCH "([0-9]+)$" object "${row}")
  list(APPEND objects ${object})
endforeach()
list(REMOVE_DUPLICATES objects)
list(LENGTH objects image_count)
if(image_count LESS 3)
  message(FATAL_ERROR "The user guide holds ${image_count} screenshots; expected 3:\n${images}")
endif()
# A setting that configure_file did not fill in would show as @NAME@.
if(text MATCHES "@[A-Z_]+@")
  message(FATAL_ERROR "The user guide holds an unfilled setting: ${CMAKE_MATCH_0}")
endif()
