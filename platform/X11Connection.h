#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <cstdlib>
#include <memory>
#include <string>

// The one way the programs reach the X server.
namespace platform::x11 {

// Qt's own connection when the program's windows are on an X server; null otherwise.
xcb_connection_t* QtConnection();

// For other programs' windows: Qt's connection, else one of our own to $DISPLAY, opened on first
// use and kept; null when no X server can be reached.
xcb_connection_t* Connection();

// The EWMH atoms of a connection, interned once per connection; null when that failed.
xcb_ewmh_connection_t* Ewmh(xcb_connection_t* conn);

// An atom by name, interned on first use; XCB_ATOM_NONE when the server did not answer.
xcb_atom_t Atom(xcb_connection_t* conn, const std::string& name);

// A reply of the server, freed as xcb wants.
template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> Own(T* reply) {
    return Reply<T>(reply, &std::free);
}

}  // namespace platform::x11
