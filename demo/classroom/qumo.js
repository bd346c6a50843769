// Links that the shell reads only as an absolute local path (a folder copy ending in "!",
// a folder export ending in "$", a document to open with its own program) are written in
// the pages as <a data-path="relative\path">. This script completes each one from the place
// of the page itself, in the Windows form the shell reads: "C:\kyozai\meiro\..." on
// Windows, and on Linux with the drive "Z:" standing for the root "/", so that the folder
// /home/t/QUMOG/meiro becomes Z:\home\t\QUMOG\meiro. The pages can thus be copied anywhere.
// An element <code data-show-for="id"> next to such a link shows the finished path.
(function () {
  function pageFolder() {
    if (location.protocol !== 'file:') return '';
    var p = decodeURIComponent(location.pathname);
    p = p.substring(0, p.lastIndexOf('/') + 1);
    if (/^\/[A-Za-z]:/.test(p)) p = p.substring(1); // "/C:/kyozai/" on Windows
    else p = 'Z:' + p;
    return p.replace(/\//g, '\\');
  }
  var folder = pageFolder();
  var links = document.querySelectorAll('a[data-path]');
  for (var i = 0; i < links.length; i++) {
    var a = links[i];
    var full = folder + a.getAttribute('data-path').replace(/\//g, '\\');
    a.setAttribute('href', full);
    if (a.id) {
      var shows = document.querySelectorAll('[data-show-for="' + a.id + '"]');
      for (var k = 0; k < shows.length; k++) shows[k].textContent = full;
    }
  }
})();
