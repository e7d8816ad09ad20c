# SPDX-License-Identifier: MIT
# cmake -DOUT=<file> -DVERSION=<version> -DDATE=<yyyy-mm-dd> -P WriteChangelog.cmake
# The changelog a Debian package carries in /usr/share/doc/grimaze/, in Debian's format.
string(REPLACE "-" ";" parts "${DATE}")
list(GET parts 0 year)
list(GET parts 1 month)
list(GET parts 2 day)
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
math(EXPR m "${month} - 1")
list(GET months ${m} monthName)
# The day of the week of DATE (Zeller's congruence), so that the file depends on nothing but DATE.
set(y ${year})
set(mm ${month})
if(mm LESS 3)
  math(EXPR mm "${mm} + 12")
  math(EXPR y "${y} - 1")
endif()
math(EXPR h "(${day} + (13 * (${mm} + 1)) / 5 + ${y} + ${y} / 4 - ${y} / 100 + ${y} / 400) % 7")
set(days Sat Sun Mon Tue Wed Thu Fri)
list(GET days ${h} weekday)
file(WRITE ${OUT} "grimaze (${VERSION}) unstable; urgency=medium

  * The first release for Linux desktops.

 -- The Grimaze developers <grimaze@users.noreply.github.com>  ${weekday}, ${day} ${monthName} ${year} 12:00:00 +0000
")
