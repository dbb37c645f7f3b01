# The program's folders as layered libraries.
#
# Each library gets its own include root in the build tree, layers/<library>/,
# holding links to its own headers only, under their usual paths
# ("core/log/logmsg.h"). No target gets the repository root: a file sees the
# headers of its own library and of the libraries it links (their roots come
# with the link), so an include from a higher layer does not compile.

set(ZAV_LAYER_ROOT ${CMAKE_BINARY_DIR}/layers)

# zav_collect(<var> <folder> <suffix regex> GLOBS <globs> [EXCLUDE <regexes>])
# The files the globs (relative to the folder) match, with the suffix, minus
# those an exclusion matches; a new file joins at the next build.
function(zav_collect var base suffix)
  cmake_parse_arguments(PARSE_ARGV 3 C "" "" "GLOBS;EXCLUDE")
  set(globs)
  foreach(g ${C_GLOBS})
    list(APPEND globs ${base}/${g})
  endforeach()
  file(GLOB files CONFIGURE_DEPENDS ${globs})
  list(FILTER files INCLUDE REGEX "${suffix}")
  foreach(re ${C_EXCLUDE})
    list(FILTER files EXCLUDE REGEX "${re}")
  endforeach()
  set(${var} ${files} PARENT_SCOPE)
endfunction()

# zav_layer(<name> FILES <globs> [EXCLUDE <regexes>] [PRIVATE <regexes>] [LINKS <targets>])
# Globs are relative to the source folder. Headers a PRIVATE regex matches are
# the library's own: their links lie in an include root of their own,
# layers/<name>_private/, that the library sees and its dependents do not; an
# interface library <name>_private hands that root to whoever else may see it
# (linked PRIVATE: the other parts and the tests of the same folder).
function(zav_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 L "" "" "FILES;EXCLUDE;PRIVATE;LINKS")
  zav_collect(files ${CMAKE_SOURCE_DIR} "\\.(cpp|h)$" GLOBS ${L_FILES} EXCLUDE ${L_EXCLUDE})
  if(NOT files)
    message(FATAL_ERROR "zav_layer(${name}): no files")
  endif()
  add_library(${name} STATIC ${files})
  target_link_libraries(${name} PUBLIC ${L_LINKS})

  # Links to this library's headers alone; stale links of moved headers go.
  set(root ${ZAV_LAYER_ROOT}/${name})
  set(privateRoot ${ZAV_LAYER_ROOT}/${name}_private)
  file(REMOVE_RECURSE ${root} ${privateRoot})
  foreach(f ${files})
    if(f MATCHES "\\.h$")
      set(into ${root})
      foreach(re ${L_PRIVATE})
        if(f MATCHES "${re}")
          set(into ${privateRoot})
        endif()
      endforeach()
      file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${f})
      get_filename_component(dir ${into}/${rel} DIRECTORY)
      file(MAKE_DIRECTORY ${dir})
      file(CREATE_LINK ${f} ${into}/${rel} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${name} PUBLIC ${root})
  if(L_PRIVATE)
    add_library(${name}_private INTERFACE)
    target_include_directories(${name}_private INTERFACE ${privateRoot})
    target_link_libraries(${name} PRIVATE ${name}_private)
  endif()
  zav_write_compile_flags(${name})
endfunction()

# An include root with links to whole folders of the repository (tests/, tools/),
# for the test, tool and benchmark targets that include files from them.
function(zav_folder_paths name)
  add_library(${name} INTERFACE)
  set(root ${ZAV_LAYER_ROOT}/${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  foreach(dir ${ARGN})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${dir} ${root}/${dir} SYMBOLIC)
  endforeach()
  target_include_directories(${name} INTERFACE ${root})
endfunction()

# layers/<library>.flags: the compiler arguments a file of the library gets
# (include roots, definitions, options), for the layer probes below.
function(zav_write_compile_flags name)
  # Without the implicit /usr/include, which would upset the C++ headers' #include_next.
  set(inc "$<FILTER:$<TARGET_PROPERTY:${name},INCLUDE_DIRECTORIES>,EXCLUDE,^/usr/include/?$>")
  set(def "$<TARGET_PROPERTY:${name},COMPILE_DEFINITIONS>")
  set(opt "$<TARGET_PROPERTY:${name},COMPILE_OPTIONS>")
  file(GENERATE OUTPUT ${ZAV_LAYER_ROOT}/${name}.flags CONTENT
"-std=c++20
-fPIC
$<$<BOOL:${inc}>:-I$<JOIN:${inc},\n-I>>
$<$<BOOL:${def}>:-D$<JOIN:${def},\n-D>>
$<JOIN:${opt},\n>
")
endfunction()

# A ctest that proves one rule of the layers: HEADER must not compile in a file
# of library LOWER, and must compile in one of OWNER (so the failure is the
# layer rule, not a broken probe).
function(zav_layer_probe name)
  cmake_parse_arguments(PARSE_ARGV 1 P "" "HEADER;LOWER;OWNER" "")
  set(src ${ZAV_LAYER_ROOT}/probes/${name}.cpp)
  file(WRITE ${src} "#include ${P_HEADER}\n")
  add_test(NAME layers_${name}
    COMMAND ${CMAKE_COMMAND} -DCXX=${CMAKE_CXX_COMPILER} -DSOURCE=${src} -DHEADER=${P_HEADER}
            -DLOWER=${P_LOWER} -DOWNER=${P_OWNER} -DFLAGS_DIR=${ZAV_LAYER_ROOT}
            -P ${CMAKE_SOURCE_DIR}/cmake/layer_probe.cmake)
endfunction()
