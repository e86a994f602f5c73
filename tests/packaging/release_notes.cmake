# The reading of CHANGELOG.md into the Debian changelog and the AppStream
# releases, on changelogs made to trip it: text that a CMake list would split
# (';') or join ('['), XML's special characters, releases on the same day, an
# Unreleased section, and the shapes it must refuse. The Debian output is read
# back by dpkg-parsechangelog, as Debian's tools will read it.
#   cmake -DMODULE=packaging/changelog.cmake -DWORK=DIR -P release_notes.cmake
include(${MODULE})
file(MAKE_DIRECTORY ${WORK})
set(failed FALSE)

set(changelog [=[# Changelog

Intro text; with [brackets] that is not part of any release.

## [Unreleased]

### Added

- Not released yet.

## [1.1.0] - 2027-03-02

### Fixed

- A & B < C; [x] `code`
  continued here.
- Second.

### Added

- New.

## [1.0.1] - 2027-03-02

### Fixed

- The same day.

## [1.0.0] - 2026-12-31

### Added

- First.
]=])

set(expected_debian [=[demo (1.1.0) unstable; urgency=medium

  * Fixed:
    - A & B < C; [x] code
      continued here.
    - Second.
  * Added:
    - New.

 -- Ann Maintainer <ann@example.org>  Tue, 02 Mar 2027 12:01:00 +0000

demo (1.0.1) unstable; urgency=medium

  * Fixed:
    - The same day.

 -- Ann Maintainer <ann@example.org>  Tue, 02 Mar 2027 12:00:00 +0000

demo (1.0.0) unstable; urgency=medium

  * Added:
    - First.

 -- Ann Maintainer <ann@example.org>  Thu, 31 Dec 2026 12:00:00 +0000
]=])

set(expected_releases [=[    <release version="1.1.0" date="2027-03-02">
      <description>
        <p>Fixed:</p>
        <ul>
          <li>A &amp; B &lt; C; [x] code continued here.</li>
          <li>Second.</li>
        </ul>
        <p>Added:</p>
        <ul>
          <li>New.</li>
        </ul>
      </description>
    </release>
    <release version="1.0.1" date="2027-03-02">
      <description>
        <p>Fixed:</p>
        <ul>
          <li>The same day.</li>
        </ul>
      </description>
    </release>
    <release version="1.0.0" date="2026-12-31">
      <description>
        <p>Added:</p>
        <ul>
          <li>First.</li>
        </ul>
      </description>
    </release>
]=])

file(WRITE ${WORK}/CHANGELOG.md "${changelog}")
zirel_release_notes(${WORK}/CHANGELOG.md demo "Ann Maintainer <ann@example.org>" debian releases newest)
foreach(part debian releases)
  if(NOT "${${part}}" STREQUAL "${expected_${part}}")
    message(SEND_ERROR "the ${part} notes differ.\nexpected:\n${expected_${part}}\ngot:\n${${part}}")
  endif()
endforeach()
if(NOT newest STREQUAL "1.1.0")
  message(SEND_ERROR "the newest release is 1.1.0, not '${newest}'")
endif()

file(WRITE ${WORK}/changelog "${debian}")
execute_process(COMMAND dpkg-parsechangelog -l ${WORK}/changelog --format rfc822 --all
                RESULT_VARIABLE status OUTPUT_VARIABLE entries ERROR_VARIABLE errors)
string(REGEX MATCHALL "\n(Version|Date): [^\n]*" fields "\n${entries}")
string(REPLACE ";" "" fields "${fields}")
set(expected_fields "\nVersion: 1.1.0\nDate: Tue, 02 Mar 2027 12:01:00 +0000"
                    "\nVersion: 1.0.1\nDate: Tue, 02 Mar 2027 12:00:00 +0000"
                    "\nVersion: 1.0.0\nDate: Thu, 31 Dec 2026 12:00:00 +0000")
string(REPLACE ";" "" expected_fields "${expected_fields}")
if(NOT status EQUAL 0 OR NOT fields STREQUAL expected_fields OR NOT errors STREQUAL "")
  message(SEND_ERROR "dpkg-parsechangelog reads (status ${status}):${fields}\n${errors}")
endif()

# Shapes it refuses, each with the message that says what is wrong.
set(refusals
  "## [1.0.0]\n\n### Added\n\n- x\n|a release heading reads"
  "## [1.0.0] - 2026-12-31\n\nA paragraph.\n|a release holds"
  "## [1.0.0] - 2026-12-31\n\n- An item outside a group.\n|a release holds"
  "## [1.0.0] - 2026-12-31\n\n### Added\n\n- x\n    indented four blanks\n|a release holds"
  "## [1.0.0] - 2026-12-31\n\n### Added\n\n- an item far too long for a line of Debian's changelog, which takes 80 columns\n|too long"
  "# Changelog\n\n## [Unreleased]\n|names no release")
set(case 0)
foreach(refusal IN LISTS refusals)
  math(EXPR case "${case} + 1")
  string(REPLACE "|" ";" parts "${refusal}")
  list(GET parts 0 text)
  list(GET parts 1 message)
  file(WRITE ${WORK}/bad-${case}.md "${text}")
  file(WRITE ${WORK}/bad-${case}.cmake
       "include(${MODULE})\nzirel_release_notes(${WORK}/bad-${case}.md demo \"A <a@example.org>\" d r n)\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -P ${WORK}/bad-${case}.cmake
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "[ \n]+" " " err "${err}")  # CMake wraps its messages
  string(FIND "${err}" "${message}" at)
  if(status EQUAL 0 OR at EQUAL -1)
    message(SEND_ERROR "changelog ${case} is not refused with '${message}':\n${text}\n${err}")
  endif()
endforeach()
