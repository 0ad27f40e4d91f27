# Who the program is to the desktop, kept here only: the application id (it
# names the single instance's socket, the desktop file, the metainfo and the
# icons), the project's web addresses and the pictures the metainfo shows.
# ApplicationId.h, IssueReportPage.h, the desktop file, the metainfo and the
# manual page are configured from these.
set(KINETTA_APPLICATION_ID "app.kinetta.Kinetta")
set(KINETTA_WEB_ADDRESS "https://kinetta.app")
set(KINETTA_SCREENSHOT_ADDRESS "${KINETTA_WEB_ADDRESS}/screenshots")
set(KINETTA_REPORT_ADDRESS "${KINETTA_WEB_ADDRESS}/report/")
set(KINETTA_PACKAGE_MAINTAINER "Kinetta developers <hello@kinetta.app>")

# The metainfo's screenshots: a file of docs/screenshots, published under
# KINETTA_SCREENSHOT_ADDRESS with the same name, and its caption. The first is
# the default one.
set(KINETTA_SCREENSHOTS
    "panel-screen.png|The control panel, ready to record the full screen"
    "tray-menu-idle.png|The tray menu"
    "hud-1-00-auto-stop.png|Recording, with the time left before the auto-stop"
    "preview-view.png|The preview: play, trim, optimise and save the GIF"
    "picker-grid.png|Choosing the window to record"
)

# The date of the release that carries PROJECT_VERSION, for the metainfo.
set(KINETTA_RELEASE_DATE "2026-12-07")
