# cmake -DLGPL=<LGPL-3> -DGPL=<GPL-3> -DOUTPUT=<file> -P JoinLicenseTexts.cmake
# Writes the LGPLv3 followed by the GPLv3, whose terms the LGPLv3 incorporates, into one document.
file(READ "${LGPL}" lgpl_text)
file(READ "${GPL}" gpl_text)
file(WRITE "${OUTPUT}"
     "${lgpl_text}\n\n"
     "==============================================================================\n"
     "以下は、LGPLv3 が取り込んでいる GNU General Public License version 3 の全文です。\n"
     "==============================================================================\n\n"
     "${gpl_text}")
