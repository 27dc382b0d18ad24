"""The Nautilus extension (dist/nautilus/murvel.py) against a stand-in of PyGObject's modules:
one chosen file gets the entry that Dolphin's service menu offers (same label, tooltip and icon),
and choosing it starts the window on that file, found on the PATH; "Seal with Murvel" starts it
with --seal, and "Unseal with Murvel" as the first does; several files, a folder or a
file without a local path get none. Both of Nautilus's calling conventions (API 4.0, and 3.0
with the window first), and a Nautilus with API 3.0 only.
Usage: nautilus-extension-test.py EXTENSION DOLPHIN-SERVICE-MENU"""
import configparser
import importlib.util
import sys
import types

extension, service_menu = sys.argv[1], sys.argv[2]
failures = []


def check(what, ok):
    if not ok:
        failures.append(what)
        print("FAIL: " + what)


class MenuItem:
    def __init__(self, **props):
        self.props = props
        self.handlers = []

    def connect(self, signal, handler, *data):
        self.handlers.append((signal, handler, data))

    def activate(self):
        for signal, handler, data in self.handlers:
            if signal == "activate":
                handler(self, *data)


class Location:
    def __init__(self, path):
        self.path = path

    def get_path(self):
        return self.path


class File:
    def __init__(self, path, folder=False):
        self.path, self.folder = path, folder

    def is_directory(self):
        return self.folder

    def get_location(self):
        return Location(self.path)


def load(available):
    """The extension as Nautilus loads it, with the binding offering the API versions given."""
    spawned, required = [], []

    def require_version(name, version):
        if name == "Nautilus" and version not in available:
            raise ValueError("Namespace Nautilus not available for version " + version)
        required.append((name, version))

    gi = types.ModuleType("gi")
    gi.require_version = require_version
    repository = types.ModuleType("gi.repository")
    repository.Nautilus = types.SimpleNamespace(MenuItem=MenuItem, MenuProvider=type("MenuProvider", (), {}))
    repository.GObject = types.SimpleNamespace(GObject=type("GObject", (), {}))
    repository.GLib = types.SimpleNamespace(
        spawn_async=lambda argv, flags: spawned.append((argv, flags)),
        SpawnFlags=types.SimpleNamespace(SEARCH_PATH="SEARCH_PATH"))
    gi.repository = repository
    sys.modules.update({"gi": gi, "gi.repository": repository})
    spec = importlib.util.spec_from_file_location("murvel_extension", extension)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module.MurvelMenuProvider(), spawned, required


menu = configparser.ConfigParser(interpolation=None)
menu.optionxform = str
menu.read(service_menu)
dolphin = menu["Desktop Entry"]

provider, spawned, required = load({"3.0", "4.0"})
check("API 4.0 is asked for first", required == [("Nautilus", "4.0")])
items = provider.get_file_items([File("/home/u/a letter's.txt")])
check("three entries for one chosen file: " + repr([i.props.get("label") for i in items]),
      [i.props.get("label") for i in items][1:] == ["Seal with Murvel", "Unseal with Murvel"])
if items:
    props = items[0].props
    check("the label is Dolphin's: " + repr(props.get("label")), props.get("label") == dolphin["Name"])
    check("the tooltip is Dolphin's: " + repr(props.get("tip")), props.get("tip") == dolphin["Comment"])
    check("the icon is Dolphin's: " + repr(props.get("icon")), props.get("icon") == dolphin["Icon"])
    check("nothing runs before the entry is chosen", spawned == [])
    items[0].activate()
    check("choosing it starts murvel on the file: " + repr(spawned),
          spawned == [(["murvel", "/home/u/a letter's.txt"], "SEARCH_PATH")])
    items[1].activate()
    check("sealing starts murvel --seal on the file: " + repr(spawned),
          spawned[1:] == [(["murvel", "--seal", "/home/u/a letter's.txt"], "SEARCH_PATH")])
    items[2].activate()
    check("unsealing starts murvel on the file: " + repr(spawned),
          spawned[2:] == [(["murvel", "/home/u/a letter's.txt"], "SEARCH_PATH")])
check("none for two files", provider.get_file_items([File("/a"), File("/b")]) == [])
check("none for a folder", provider.get_file_items([File("/home/u", folder=True)]) == [])
check("none for a file without a local path", provider.get_file_items([File(None)]) == [])
check("none for nothing chosen", provider.get_file_items([]) == [])
check("the window comes first with API 3.0", len(provider.get_file_items(object(), [File("/a")])) == 3)

provider, spawned, required = load({"3.0"})
check("API 3.0 when 4.0 is not there", required == [("Nautilus", "3.0")])
check("the entries with API 3.0", len(provider.get_file_items(object(), [File("/a")])) == 3)

print("nautilus extension: %d failed" % len(failures))
sys.exit(1 if failures else 0)
