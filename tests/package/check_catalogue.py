#!/usr/bin/python3
"""Checks that a catalogue (EmailDB.ini) lists only systems the module can
detect and hand files to: every indexed section exists and has a title, a
detection method with the keys it needs, and a link with the keys it needs,
within the module's length limits. With --systems, the catalogue must list
exactly those system keys, in that order.

  check_catalogue.py EmailDB.ini [--systems KEY...]
"""
import argparse
import configparser
import sys

ROOT_KEYS = {"hkcr", "hkcu", "hklm", "hku", "hkpd", "hkdd", "hkcc", "hkey_classes_root", "hkey_current_user",
             "hkey_local_machine", "hkey_users", "hkey_performance_data", "hkey_dyn_data", "hkey_current_config"}
METHOD_KEYS = {0: ["exename"], 1: ["exename"], 2: ["exename"], 3: ["section", "key", "exename"],
               4: ["privateini", "section", "key", "exename"], 5: ["privateini", "section", "key", "exename"],
               6: ["exename", "regkey"], 9: ["exename", "mapi32dll"], 15: ["exename", "regkey", "section", "key"],
               17: ["exename"], 18: [], 21: []}
# The methods whose found path is the program file itself, which a draft's
# program (link 11 with ExeName) is started from.
PROGRAM_METHODS = {0, 1, 2, 3, 4, 5, 6, 9, 15, 17}
LINK_TYPES = {1, 2, 6, 7, 10, 11}
problems = []


def value(section, key):
    text = section.get(key, "").strip()
    # The INI service removes one pair of enclosing quotation marks.
    if len(text) >= 2 and text[0] == text[-1] == '"':
        text = text[1:-1]
    return text


def number(section, key):
    text = value(section, key)
    return int(text) if text.lstrip("-").isdigit() else 0


def check_system(key, s):
    def need(condition, text):
        if not condition:
            problems.append("[%s] %s" % (key, text))

    need(value(s, "title"), "has no Title")
    method = number(s, "pathtype")
    need(method in METHOD_KEYS, "PathType %d never detects anything" % method)
    for required in METHOD_KEYS.get(method, []):
        need(value(s, required), "PathType %d needs %s" % (method, required))
    if method == 15:
        need(value(s, "regkey").lower() in ROOT_KEYS, "RegKey %r is no root key" % value(s, "regkey"))
    if number(s, "checkversion") == 1:
        need(value(s, "mapi32dll"), "CheckVersion needs MAPI32DLL")
    link = number(s, "linktype")
    need(link in LINK_TYPES, "LinkType %d has no link" % link)
    if link == 1:
        option = value(s, "commandoption")
        need(option, "LinkType 1 needs CommandOption")
        need(len(option) <= 254, "CommandOption longer than 254 characters")
        file_list = number(s, "commandfilelist")
        need(file_list in range(5), "CommandFileList must be 0 to 4")
        if file_list == 4:
            need(number(s, "multiplepage") != 0, "CommandFileList 4 needs MultiplePage 1")
            need(option.endswith("="), "CommandFileList 4 puts the URLs after an option ending in '='")
        if "quotefiles" in s:
            need(value(s, "quotefiles") in ("0", "1"), "QuoteFiles must be 0 or 1")
    if link == 2:
        need(bool(value(s, "mailsection")) == bool(value(s, "dllpath")), "MailSection and DllPath go together")
    if link == 10:
        need(value(s, "mapi32dll"), "LinkType 10 needs MAPI32DLL")
    if link == 11:
        # A draft goes to the program detection found, or, without ExeName,
        # to the user's program for message files, which method 21 finds.
        if value(s, "exename"):
            need(method in PROGRAM_METHODS, "LinkType 11 with ExeName needs a PathType that finds the program")
        else:
            need(method == 21, "LinkType 11 without ExeName needs PathType 21 (a program opens .eml files)")
        need(len(value(s, "commandoption")) <= 254, "CommandOption longer than 254 characters")
    for name in s:
        limit = 1023 if name == "regkey" or (method == 15 and name in ("section", "key")) else 259
        need(len(value(s, name)) <= limit, "%s longer than %d characters" % (name, limit))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("catalogue")
    parser.add_argument("--systems", nargs="+")
    args = parser.parse_args()
    catalogue = configparser.ConfigParser(interpolation=None, comment_prefixes=(";", "#"), strict=True)
    with open(args.catalogue, encoding="latin-1") as f:
        catalogue.read_file(f)
    sections = {name.lower(): name for name in catalogue.sections()}
    if "linkentry" not in sections:
        sys.exit("check_catalogue: no [LinkEntry]")
    index = catalogue[sections["linkentry"]]
    count = number(index, "count")
    keys = [value(index, str(i)) for i in range(count)]
    if not count or not all(keys):
        problems.append("[LinkEntry] Count %d, keys %r" % (count, keys))
    if args.systems and keys != args.systems:
        problems.append("[LinkEntry] lists %r, expected %r" % (keys, args.systems))
    for key in filter(None, keys):
        if key.lower() not in sections:
            problems.append("[LinkEntry] names %s, which has no section" % key)
        else:
            check_system(key, catalogue[sections[key.lower()]])
    for p in problems:
        print("check_catalogue: " + p, file=sys.stderr)
    if problems:
        sys.exit(1)
    print("%s: %d systems, each with a detection method and a link" % (args.catalogue, count))


if __name__ == "__main__":
    main()
