# "Code or decode with Murvel", "Seal with Murvel" and "Unseal with Murvel" in the context menu of
# GNOME Files (Nautilus), for one chosen file that is no folder, as the entries of Dolphin, Nemo
# and Thunar offer them. Unsealing is offered for every file: GIO does not tell a sealed file's
# type, which lives in its attribute only. Loaded by the Python
# binding of Nautilus's extensions (package python3-nautilus) from
# /usr/share/nautilus-python/extensions; choosing the entry opens the file in the window.
import gi

try:
    gi.require_version("Nautilus", "4.0")
except ValueError:
    gi.require_version("Nautilus", "3.0")
from gi.repository import GLib, GObject, Nautilus

PROGRAM = "murvel"
LABEL = "Code or decode with Murvel"
TIP = "Open the file in Murvel to code or decode it with a password"
ICON = "x-vnd.Telva-Murvel"
SEAL_LABEL = "Seal with Murvel"
SEAL_TIP = "Open the file in Murvel with sealing chosen, to seal it with a password that really protects it"
UNSEAL_LABEL = "Unseal with Murvel"
UNSEAL_TIP = "Open the sealed file in Murvel to unseal it with its password"


def chosen_path(files):
    """The local path of the one chosen file, or None: several files, a folder, or a file
    without a path (a remote one that GVfs does not mount)."""
    if len(files) != 1 or files[0].is_directory():
        return None
    return files[0].get_location().get_path()


def open_in_window(_item, path, *options):
    # Started apart from Nautilus (GLib reaps it), so that closing either leaves the other.
    GLib.spawn_async([PROGRAM, *options, path], flags=GLib.SpawnFlags.SEARCH_PATH)


class MurvelMenuProvider(GObject.GObject, Nautilus.MenuProvider):
    # Nautilus 43 and later (API 4.0) pass the chosen files alone, earlier ones the window first.
    def get_file_items(self, *args):
        path = chosen_path(args[-1])
        if path is None:
            return []
        item = Nautilus.MenuItem(name="MurvelMenuProvider::CodeOrDecode", label=LABEL, tip=TIP,
                                 icon=ICON)
        item.connect("activate", open_in_window, path)
        seal = Nautilus.MenuItem(name="MurvelMenuProvider::Seal", label=SEAL_LABEL, tip=SEAL_TIP,
                                 icon=ICON)
        seal.connect("activate", open_in_window, path, "--seal")
        unseal = Nautilus.MenuItem(name="MurvelMenuProvider::Unseal", label=UNSEAL_LABEL,
                                   tip=UNSEAL_TIP, icon=ICON)
        unseal.connect("activate", open_in_window, path)
        return [item, seal, unseal]
