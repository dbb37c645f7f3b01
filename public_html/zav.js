// Reloads the live graph now and then; the page itself shows the values of its request.
var zavGraphRefreshMs = 60000;
window.addEventListener("load", function () {
  var img = document.getElementById("zavGraph");
  if (!img) return;
  setInterval(function () {
    var src = img.src.replace(/([?&])rnd=[^&]*/, "$1").replace(/[?&]$/, "");
    img.src = src + (src.indexOf("?") < 0 ? "?" : "&") + "rnd=" + Date.now();
  }, zavGraphRefreshMs);
});
