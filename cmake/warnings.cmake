# Strict warnings for the project's own targets only (never for third-party code).
function(torva_target target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
