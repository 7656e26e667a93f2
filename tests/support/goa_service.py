#!/usr/bin/python3
"""A stand-in for GNOME Online Accounts on a private session bus (DBUS_SESSION_BUS_ADDRESS):
the accounts of DIR/accounts.json on the service's interfaces, each method call appended to
DIR/calls.log ("<id> <method>"), DIR/ready written once the name is owned. An OAuth2 account's
tokens come from the sign-in fixture's authorization server ("auth_server", /control/issue for
"mail_user"); with "stale_first" the first one is a token no server takes."""
import json
import sys
import urllib.parse
import urllib.request

from gi.repository import Gio, GLib

NAME = "org.gnome.OnlineAccounts"
BASE = "org.gnome.OnlineAccounts."
XML = """<node>
 <interface name="org.gnome.OnlineAccounts.Account"><method name="EnsureCredentials">
  <arg type="i" direction="out"/></method></interface>
 <interface name="org.gnome.OnlineAccounts.OAuth2Based"><method name="GetAccessToken">
  <arg type="s" direction="out"/><arg type="i" direction="out"/></method></interface>
 <interface name="org.gnome.OnlineAccounts.PasswordBased"><method name="GetPassword">
  <arg type="s" direction="in"/><arg type="s" direction="out"/></method></interface>
 <interface name="org.freedesktop.DBus.ObjectManager"><method name="GetManagedObjects">
  <arg type="a{oa{sa{sv}}}" direction="out"/></method></interface>
</node>"""
NODE = Gio.DBusNodeInfo.new_for_xml(XML)
folder = sys.argv[1]
with open(folder + "/accounts.json") as f:
    accounts = {a["id"]: a for a in json.load(f)}
handed_out = set()  # accounts that had their stale token


def path(account):
    return "/org/gnome/OnlineAccounts/Accounts/" + account["id"]


def interfaces(a):
    s, b = GLib.Variant.new_string, GLib.Variant.new_boolean
    found = {
        BASE + "Account": {"Id": s(a["id"]), "ProviderType": s(a.get("provider", "imap_smtp")),
                           "ProviderName": s(a.get("provider", "IMAP and SMTP")),
                           "PresentationIdentity": s(a["email"]),
                           "AttentionNeeded": b(a.get("attention", False)),
                           "MailDisabled": b(a.get("mail_disabled", False))},
        BASE + "Mail": {"EmailAddress": s(a["email"]), "ImapSupported": b(True),
                        "ImapHost": s(a["host"]), "ImapUserName": s(a["user"]),
                        "ImapUseSsl": b(a.get("ssl", False)), "ImapUseTls": b(a.get("tls", False)),
                        "ImapAcceptSslErrors": b(False)},
    }
    found[BASE + ("OAuth2Based" if "auth_server" in a else "PasswordBased")] = {}
    return found


def token(a):
    if a.get("stale_first") and a["id"] not in handed_out:
        handed_out.add(a["id"])
        return "stale-token"
    body = urllib.parse.urlencode({"user": a["mail_user"]}).encode()
    with urllib.request.urlopen(a["auth_server"] + "/control/issue", body, timeout=5) as reply:
        return json.load(reply)["access_token"]


def call(connection, sender, object_path, interface, method, parameters, invocation):
    if method == "GetManagedObjects":
        objects = {path(a): interfaces(a) for a in accounts.values()}
        return invocation.return_value(GLib.Variant("(a{oa{sa{sv}}})", (objects,)))
    a = accounts[object_path.rsplit("/", 1)[1]]
    with open(folder + "/calls.log", "a") as log:
        log.write("%s %s\n" % (a["id"], method))
    if method == "EnsureCredentials" and a.get("attention"):
        return invocation.return_dbus_error(BASE + "Error.NotAuthorized", "Sign in again")
    if method == "EnsureCredentials":
        return invocation.return_value(GLib.Variant("(i)", (3600,)))
    if method == "GetAccessToken":
        return invocation.return_value(GLib.Variant("(si)", (token(a), 3600)))
    if parameters.unpack()[0] != "imap-password":
        return invocation.return_dbus_error(BASE + "Error.Failed", "No such password")
    invocation.return_value(GLib.Variant("(s)", (a["password"],)))


def main():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    manager = NODE.lookup_interface("org.freedesktop.DBus.ObjectManager")
    bus.register_object("/org/gnome/OnlineAccounts", manager, call, None, None)
    for a in accounts.values():
        for name in interfaces(a):
            if NODE.lookup_interface(name):  # the ones with methods
                bus.register_object(path(a), NODE.lookup_interface(name), call, None, None)
    bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                  "RequestName", GLib.Variant("(su)", (NAME, 4)), None, 0, -1, None)
    open(folder + "/ready", "w").close()
    GLib.MainLoop().run()


main()
