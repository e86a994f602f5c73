# The release notes the package ships come from CHANGELOG.md, the one file the
# project keeps them in. It is read in the "Keep a Changelog" shape: releases
# under "## [version] - YYYY-MM-DD" headings, newest first, their changes in
# "### Added" (and so on) groups of "- " items whose continuation lines are
# indented by two blanks. An "## [Unreleased]" section is not a release and is
# left out. From it come
#  - a Debian changelog: the package is native (its version has no Debian
#    revision), so Debian wants one as changelog.gz, in Debian's own format;
#  - the <release> elements of the AppStream metadata.

# The English day of the week of an ISO date, by Zeller's congruence
# (h = 0 is a Saturday).
function(_zirel_weekday year month day out)
  if(month LESS 3)
    math(EXPR month "${month} + 12")
    math(EXPR year "${year} - 1")
  endif()
  math(EXPR k "${year} % 100")
  math(EXPR j "${year} / 100")
  math(EXPR h "(${day} + (13 * (${month} + 1)) / 5 + ${k} + ${k} / 4 + ${j} / 4 + 5 * ${j}) % 7")
  set(names Sat Sun Mon Tue Wed Thu Fri)
  list(GET names ${h} name)
  set(${out} ${name} PARENT_SCOPE)
endfunction()

# Debian's form of a date, "Tue, 08 Dec 2026 12:00:00 +0000". The changelog
# gives days only, and Debian wants each entry later than the one before it,
# so releases of one day follow each other at noon, a minute apart.
function(_zirel_debian_date iso minute out)
  string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" _ "${iso}")
  set(year ${CMAKE_MATCH_1})
  set(day ${CMAKE_MATCH_3})
  math(EXPR month "${CMAKE_MATCH_2}")  # "08" is 8
  math(EXPR month_index "${month} - 1")
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET months ${month_index} month_name)
  math(EXPR day_number "${day}")
  _zirel_weekday(${year} ${month} ${day_number} weekday)
  if(minute LESS 10)
    set(minute "0${minute}")
  endif()
  set(${out} "${weekday}, ${day} ${month_name} ${year} 12:${minute}:00 +0000" PARENT_SCOPE)
endfunction()

# Each release's Debian date, into the caller's _zirel_date_<version>.
macro(_zirel_release_dates text)
  string(REGEX MATCHALL "\n## \\[[0-9][^]\n]*\\] - [0-9-]+" _zirel_headings "\n${text}")
  list(REVERSE _zirel_headings)  # oldest first
  set(_zirel_days "")
  foreach(_zirel_heading IN LISTS _zirel_headings)
    string(REGEX MATCH "\\[(.*)\\] - (.*)$" _ "${_zirel_heading}")
    set(_zirel_version "${CMAKE_MATCH_1}")
    set(_zirel_day "${CMAKE_MATCH_2}")
    set(_zirel_minute 0)
    foreach(_zirel_earlier IN LISTS _zirel_days)
      if(_zirel_earlier STREQUAL _zirel_day)
        math(EXPR _zirel_minute "${_zirel_minute} + 1")
      endif()
    endforeach()
    list(APPEND _zirel_days ${_zirel_day})
    _zirel_debian_date(${_zirel_day} ${_zirel_minute} _zirel_date_${_zirel_version})
  endforeach()
endmacro()

function(_zirel_xml_escape text out)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The closing steps of the reader below, run as the next heading or the end
# of the file comes: the item being joined, the group's list, the release.
macro(_zirel_end_item)
  if(NOT item STREQUAL "")
    _zirel_xml_escape("${item}" item)
    string(APPEND releases "          <li>${item}</li>\n")
    set(item "")
  endif()
endmacro()
macro(_zirel_end_group)
  _zirel_end_item()
  if(in_group)
    string(APPEND releases "        </ul>\n")
    set(in_group FALSE)
  endif()
endmacro()
# A line of a release's changes; Debian's tools want at most 80 columns.
macro(_zirel_debian_line text)
  string(LENGTH "${text}" _zirel_columns)
  if(_zirel_columns GREATER 80)
    message(FATAL_ERROR "${changelog}: a line of ${version} is too long for Debian's changelog "
                        "(items fit in 74 columns): ${text}")
  endif()
  string(APPEND debian "${text}\n")
endmacro()
macro(_zirel_end_release)
  _zirel_end_group()
  if(NOT version STREQUAL "")
    string(APPEND debian "\n -- ${maintainer}  ${_zirel_date_${version}}\n")
    string(APPEND releases "      </description>\n    </release>\n")
    set(version "")
  endif()
endmacro()

# zirel_release_notes(<CHANGELOG.md> <package> <maintainer> <debian-var> <releases-var> <newest-var>)
# sets <debian-var> to the Debian changelog, <releases-var> to the AppStream
# <release> elements and <newest-var> to the newest release's version.
function(zirel_release_notes changelog package maintainer debian_var releases_var newest_var)
  file(READ ${changelog} text)
  _zirel_release_dates("${text}")
  set(debian "")
  set(releases "")
  set(newest "")
  set(version "")  # of the release being read; empty outside one
  set(item "")     # an AppStream item, joined from its lines
  set(in_group FALSE)
  # One line at a time by position: as a CMake list, a ';' or '[' in the text
  # would split or join lines.
  string(APPEND text "\n")
  while(NOT text STREQUAL "")
    string(FIND "${text}" "\n" end)
    string(SUBSTRING "${text}" 0 ${end} line)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${text}" ${end} -1 text)
    string(REPLACE "`" "" line "${line}")  # code marks mean nothing outside Markdown

    if(line MATCHES "^## ")
      _zirel_end_release()
      if(line MATCHES "^## \\[([0-9][^]]*)\\] - ([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])$")
        set(version "${CMAKE_MATCH_1}")
        if(newest STREQUAL "")
          set(newest "${version}")
        endif()
        if(NOT debian STREQUAL "")
          string(APPEND debian "\n")
        endif()
        string(APPEND debian "${package} (${version}) unstable; urgency=medium\n\n")
        string(APPEND releases "    <release version=\"${version}\" date=\"${CMAKE_MATCH_2}\">\n"
                               "      <description>\n")
      elseif(NOT line MATCHES "^## \\[Unreleased\\]$")
        message(FATAL_ERROR "${changelog}: a release heading reads \"## [version] - YYYY-MM-DD\", not: ${line}")
      endif()
    elseif(version STREQUAL "" OR line STREQUAL "")
      continue()
    elseif(line MATCHES "^### (.+)$")
      _zirel_end_group()
      set(group "${CMAKE_MATCH_1}")
      _zirel_debian_line("  * ${group}:")
      _zirel_xml_escape("${group}" group)
      string(APPEND releases "        <p>${group}:</p>\n        <ul>\n")
      set(in_group TRUE)
    elseif(in_group AND line MATCHES "^- (.+)$")
      _zirel_end_item()
      set(item "${CMAKE_MATCH_1}")
      _zirel_debian_line("    - ${item}")
    elseif(NOT item STREQUAL "" AND line MATCHES "^  ([^ ].*)$")
      string(APPEND item " ${CMAKE_MATCH_1}")
      _zirel_debian_line("      ${CMAKE_MATCH_1}")
    else()
      message(FATAL_ERROR "${changelog}: a release holds \"### \" groups of \"- \" items, "
                          "continued on lines indented by two blanks, not: ${line}")
    endif()
  endwhile()
  _zirel_end_release()
  if(newest STREQUAL "")
    message(FATAL_ERROR "${changelog} names no release")
  endif()

  set(${debian_var} "${debian}" PARENT_SCOPE)
  set(${releases_var} "${releases}" PARENT_SCOPE)
  set(${newest_var} "${newest}" PARENT_SCOPE)
endfunction()
