# Compile and link settings shared by every target of the product.
function(ksv_target_defaults target)
    target_compile_definitions(${target} PRIVATE
        UNICODE _UNICODE NOMINMAX STRICT
        WINVER=0x0A00 _WIN32_WINNT=0x0A00 _WIN32_IE=0x0A00)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wno-cast-function-type -Wno-missing-field-initializers>)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE" OR type STREQUAL "SHARED_LIBRARY")
        # No runtime DLLs beside the program: libgcc, libstdc++ and winpthread are linked in.
        target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
    endif()
endfunction()
