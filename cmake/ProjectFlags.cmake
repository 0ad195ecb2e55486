# Common compile flags for every target of the project, as one INTERFACE target.
add_library(qs_flags INTERFACE)
target_compile_features(qs_flags INTERFACE cxx_std_20)
target_compile_options(qs_flags INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(qs_flags INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_DISABLE_DEPRECATED_UP_TO=0x060400)

option(QS_WERROR "Turn every compiler warning into an error" OFF)
if(QS_WERROR)
    target_compile_options(qs_flags INTERFACE -Werror)
endif()

option(QS_SANITIZE "Build with the address and undefined-behaviour sanitizers" OFF)
if(QS_SANITIZE)
    target_compile_options(qs_flags INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(qs_flags INTERFACE -fsanitize=address,undefined)
endif()
