# Compiler settings shared by every target.
#
# The map values are defined to the last bit, so floating-point expressions
# are never contracted into fused multiply-adds, and -ffast-math is never
# used. On 32-bit x86, arithmetic runs on SSE2, never on the x87 unit.

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-ffp-contract=off)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$" OR CMAKE_CXX_COMPILER MATCHES "i686")
    add_compile_options(-msse2 -mfpmath=sse)
  endif()
elseif(MSVC)
  # /fp:precise keeps each operation's rounding; from Visual Studio 2022 on
  # it no longer contracts into fused multiply-adds.
  add_compile_options(/fp:precise)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_compile_options(/arch:SSE2)
  endif()
endif()

# The plug-in's own sources: every warning is an error, and so are implicit
# conversions that change a value or its sign and names that shadow others,
# the faults most likely to slip into arithmetic on host records and sizes.
function(quorvel_strict_warnings target)
  quorvel_warnings(${target})
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Werror -Wconversion -Wshadow)
  endif()
endfunction()

# Turns on the warnings that the project's own code builds clean with.
function(quorvel_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  elseif(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  endif()
endfunction()
