# Files the program reads from beside its executable: the documents of the menu "その他" (folder licenses/) and the
# images of the run settings dialog and the tray icon (folder image/).
#
#   orvane_bundle_files(<target> [DESTINATION <dir>])
#
# copies them next to the target's file whenever the default build target runs (the copy target depends on <target>),
# and installs them into <dir>/licenses and <dir>/image, <dir> being where <target> is installed (default "bin").
# The LGPLv3 text is not kept in the repository: it is put together at build time from the system's copies of the
# LGPL-3 and the GPL-3 it incorporates (ORVANE_LICENSE_TEXT_DIR, Debian: /usr/share/common-licenses).

include_guard(GLOBAL)

set(ORVANE_LICENSE_TEXT_DIR "/usr/share/common-licenses"
    CACHE PATH "Folder holding the files LGPL-3 and GPL-3, from which the bundled LGPLv3 text is made")

set(ORVANE_BUNDLE_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/..")
set(ORVANE_BUNDLED_DOCUMENTS
    "利用規約.txt"
    "オープンソースソフトウェアに関する告知.txt"
    "Qtライブラリの差替え又は再インストールに関する情報.txt")
set(ORVANE_BUNDLED_IMAGES danger.png SystemTrayIcon.png)
set(ORVANE_LGPL_DOCUMENT "LGPLv3のライセンス文章.txt")

function(orvane_bundle_files target)
    cmake_parse_arguments(B "" "DESTINATION" "" ${ARGN})
    if(NOT B_DESTINATION)
        set(B_DESTINATION bin)
    endif()

    set(generated "${CMAKE_BINARY_DIR}/bundled/licenses/${ORVANE_LGPL_DOCUMENT}")
    set(lgpl "${ORVANE_LICENSE_TEXT_DIR}/LGPL-3")
    set(gpl "${ORVANE_LICENSE_TEXT_DIR}/GPL-3")
    if(EXISTS "${lgpl}" AND EXISTS "${gpl}")
        add_custom_command(OUTPUT "${generated}"
            COMMAND ${CMAKE_COMMAND} "-DLGPL=${lgpl}" "-DGPL=${gpl}" "-DOUTPUT=${generated}"
                    -P "${ORVANE_BUNDLE_SOURCE_DIR}/cmake/JoinLicenseTexts.cmake"
            DEPENDS "${lgpl}" "${gpl}" "${ORVANE_BUNDLE_SOURCE_DIR}/cmake/JoinLicenseTexts.cmake"
            COMMENT "Putting together the LGPLv3 text"
            VERBATIM)
    else()
        message(WARNING "LGPL-3/GPL-3 not found in ${ORVANE_LICENSE_TEXT_DIR}: the bundled "
                        "${ORVANE_LGPL_DOCUMENT} will only point to https://www.gnu.org/licenses/lgpl-3.0.txt. "
                        "Set ORVANE_LICENSE_TEXT_DIR to a folder holding both texts for a release.")
        file(WRITE "${generated}"
             "GNU Lesser General Public License version 3\n\n"
             "このビルドには LGPLv3 の全文を同梱できませんでした。全文は次の場所で読むことができます。\n\n"
             "  GNU LGPL version 3: https://www.gnu.org/licenses/lgpl-3.0.txt\n"
             "  GNU GPL version 3（LGPLv3 が取り込んでいる条項）: https://www.gnu.org/licenses/gpl-3.0.txt\n")
    endif()

    set(documents "${generated}")
    foreach(name IN LISTS ORVANE_BUNDLED_DOCUMENTS)
        list(APPEND documents "${ORVANE_BUNDLE_SOURCE_DIR}/licenses/${name}")
    endforeach()
    set(images)
    foreach(name IN LISTS ORVANE_BUNDLED_IMAGES)
        list(APPEND images "${ORVANE_BUNDLE_SOURCE_DIR}/image/${name}")
    endforeach()

    # Naming the target in the generator expressions makes this run after the target is built.
    set(dir "$<TARGET_FILE_DIR:${target}>")
    add_custom_target(${target}_bundled_files ALL
        COMMAND ${CMAKE_COMMAND} -E make_directory "${dir}/licenses" "${dir}/image"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${documents} "${dir}/licenses"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${images} "${dir}/image"
        DEPENDS ${documents} ${images}
        COMMENT "Copying licenses/ and image/ beside ${target}"
        VERBATIM)

    install(FILES ${documents} DESTINATION "${B_DESTINATION}/licenses")
    install(FILES ${images} DESTINATION "${B_DESTINATION}/image")
endfunction()
