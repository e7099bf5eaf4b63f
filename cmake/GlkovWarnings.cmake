# Warnings for the project's own targets (third-party headers are included as system headers).
function(glkov_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
