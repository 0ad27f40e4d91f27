# Fails when a file outside src/gif and tests/gif includes a header of
# src/gif/internal: those are the GIF library's own, not part of its interface.
# Run as: cmake -DROOT=<source dir> -P CheckInternalIncludes.cmake
file(GLOB internal_headers RELATIVE ${ROOT}/src/gif/internal ${ROOT}/src/gif/internal/*.h)
file(GLOB_RECURSE sources RELATIVE ${ROOT}
     ${ROOT}/src/*.h ${ROOT}/src/*.cpp ${ROOT}/tests/*.h ${ROOT}/tests/*.cpp
     ${ROOT}/bench/*.h ${ROOT}/bench/*.cpp)
set(offenders "")
foreach(source IN LISTS sources)
    if(source MATCHES "^(src|tests)/gif/")
        continue()
    endif()
    file(STRINGS ${ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
        if(line MATCHES "gif/internal/")
            list(APPEND offenders "${source}: ${line}")
            continue()
        endif()
        foreach(header IN LISTS internal_headers)
            if(line MATCHES "[\"</]${header}[\">]")
                list(APPEND offenders "${source}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()
if(offenders)
    list(JOIN offenders "\n" text)
    message(FATAL_ERROR "GIF library internals included from outside src/gif and tests/gif:\n${text}")
endif()
