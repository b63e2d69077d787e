#pragma once

#include <QString>

// The two addresses of the maker's pages.
namespace kesterly::web {

// The maker's home page, as the Update window's link shows it. The page shown for it is
// the help book that ships inside the program (homePage()), so "For Help Visit" always
// has something to show, with or without a network.
inline QString homePageAddress() {
    return QStringLiteral("https://velquist.example/");
}
inline QString homePage() {
    return QStringLiteral("qrc:/help/index.html");
}

// The picture the Update window shows: the maker puts a picture of the latest version's
// news at this address.
inline QString updateAddress() {
    return QStringLiteral("https://updates.velquist.example/kesterly/latest.jpg");
}

} // namespace kesterly::web
