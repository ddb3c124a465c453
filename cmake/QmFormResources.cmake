# Form resources as data files: qm_form_resources(<target> <function> <files...>) compiles the files into a
# source of <target> that defines `void <function>()`, which registers each file's text under the class name
# of its root object (upper case, e.g. TFRMMAIN). The files are UTF-8; the exec charset makes them GBK.
set(QM_FORM_RESOURCE_GEN ${CMAKE_CURRENT_LIST_DIR}/QmFormResourceGen.cmake)

function(qm_form_resources target func)
  set(files ${ARGN})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_${func}.cpp)
  string(REPLACE ";" "|" joined "${files}")
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DFUNC=${func} "-DFILES=${joined}" -P ${QM_FORM_RESOURCE_GEN}
    DEPENDS ${files} ${QM_FORM_RESOURCE_GEN}
    COMMENT "Compiling form resources into ${func}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
