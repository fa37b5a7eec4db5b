# Installation directories (GNUInstallDirs), known before the targets are
# made so the client can look for the driver where an installation puts it.
if(CMAKE_LIBRARY_ARCHITECTURE AND EXISTS /etc/debian_version AND
   NOT DEFINED CMAKE_INSTALL_LIBDIR)
  # Debian's multiarch directory under any prefix (/usr/local/lib/<triplet>
  # is on its loader path too), not only under /usr.
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH
      "Object code libraries")
endif()
include(GNUInstallDirs)
