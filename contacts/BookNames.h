#pragma once

#include <QString>

class ContactStore;

// The names the contact book holds for a mobile number, compared as the
// gateway dials it (spaces, "-", "(" and ")" left out), in table order and
// joined by "、" when several contacts share it; empty when none. Fails
// (Failure) when the book cannot be read.
QString bookNamesFor(const ContactStore& store, const QString& number);
