#pragma once

#include "DomStep.h"

#include <QVariant>

// The one fixed script that runs a gateway action's steps in the page. The
// steps reach it only as data (Base64 of their JSON), so nothing a user types
// can ever be read as script. It is meant for an isolated script world, where
// it shares the page's document but not the page's scripts.
namespace DomRunner {

// The script text to run for these steps. It does nothing unless the page's
// own origin (scheme, host and port, the host in its ASCII form) is
// gatewayOrigin, and writes and submits nothing when the form of the steps
// would go to another origin. The steps stop at the first element missing
// or outside that form; the ones before it are done.
QString script(const QString& gatewayOrigin, const DomSteps& steps);

// The error box text when the page shown belongs to another site.
QString wrongSiteText(const QString& site);

// The error box text when the gateway's form would be submitted to another site.
QString foreignTargetText(const QString& site);

// What the script's result means for the user: empty when every step was done,
// otherwise the error box text (naming the missing element).
QString failureText(const DomSteps& steps, const QVariant& result);

} // namespace DomRunner
