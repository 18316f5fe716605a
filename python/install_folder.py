# Prints the folder, relative to the prefix given, that `cmake --install` puts the Python package
# in: the site folder inside that prefix that the Python running this searches (such as
# lib/python3/dist-packages for /usr, or the user's own site folder for ~/.local). A prefix it
# does not search gets the folder its installation scheme names, with exit status 3.
import os
import site
import sys
import sysconfig

prefix = os.path.realpath(sys.argv[1])
user_site = [site.getusersitepackages()] if site.ENABLE_USER_SITE else []
for folder in site.getsitepackages() + user_site:
    relative = os.path.relpath(os.path.realpath(folder), prefix)
    if relative.lower().startswith("lib"):
        print(relative.replace(os.sep, "/"))
        sys.exit(0)
scheme = "nt" if os.name == "nt" else "posix_prefix"
folder = sysconfig.get_path("purelib", scheme, {"base": prefix, "platbase": prefix})
print(os.path.relpath(folder, prefix).replace(os.sep, "/"))
sys.exit(3)
