# Helpers that build one static library per folder of src/ and link them as a group
# (the folders call one another in both directions, as the game's modules do).
set_property(GLOBAL PROPERTY VT_ENGINE_LIBS "")

function(vt_add_folder_library folder)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       "${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp" "${PROJECT_SOURCE_DIR}/src/${folder}/*.c")
  if(NOT srcs)
    return()
  endif()
  set(name "vt_${folder}")
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC vt_external)
  set_property(GLOBAL APPEND PROPERTY VT_ENGINE_LIBS ${name})
endfunction()

# Links every engine library (as one rescanned group) into a target.
function(vt_link_engine target)
  get_property(libs GLOBAL PROPERTY VT_ENGINE_LIBS)
  string(REPLACE ";" "," joined "${libs}")
  target_link_libraries(${target} PRIVATE "$<LINK_GROUP:RESCAN,${joined}>" vt_external)
  target_include_directories(${target} PRIVATE "${PROJECT_SOURCE_DIR}/src")
endfunction()
