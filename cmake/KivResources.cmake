# kiv_add_resources(<target> <file>...): checks every window description (*.kvd) with kivrc and
# links it, and every image under its derived resource name, into <target>. A description that
# does not parse fails the build.
function(kiv_add_resources target)
  set(generated "")
  foreach(f IN LISTS ARGN)
    get_filename_component(abs ${f} ABSOLUTE)
    get_filename_component(base ${f} NAME)
    string(MAKE_C_IDENTIFIER ${base} id)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/kivrc_${target}_${id}.cpp)
    add_custom_command(OUTPUT ${out}
      COMMAND kivrc ${abs} ${out}
      DEPENDS kivrc ${abs}
      COMMENT "Compiling resource ${base}" VERBATIM)
    list(APPEND generated ${out})
  endforeach()
  target_sources(${target} PRIVATE ${generated})
endfunction()
