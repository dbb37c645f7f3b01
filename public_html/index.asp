<!DOCTYPE html>
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=iso-8859-1">
<title><%=appName%> on-line meter</title>
<link rel="stylesheet" type="text/css" href="<%=appRoot%>zav.css?<%=querystring%>">
<link rel="icon" href="<%=appRoot%>favicon.ico">
<script type="text/javascript" src="<%=appRoot%>zav.js?<%=querystring%>"></script>
</head>
<body>
<h1><%=appName%> on-line meter</h1>
<table class="zavPanel" style="<%=style_panelBorderWidth%>">
<tr><td>Energy</td><td id="zavEnergy"><%=strZavEnergy%></td></tr>
<tr><td>Power</td><td id="zavPower"><%=strZavPower%></td></tr>
<tr><td>Temperature</td><td id="zavTemp"><%=strZavTemp%></td></tr>
<tr><td>Updated</td><td id="zavNow"><%=Now%></td></tr>
</table>
<p>
<img id="zavGraph" class="zavGraph" alt="power graph"
     style="<%=style_graphImgWidth%><%=style_graphImgHeight%><%=style_graphBgColor%>"
     src="<%=appRoot%>zavPlot.png?<%=querystring%>">
</p>
<p class="zavNote">Full scale <%=pwrFullScale%> W. <a href="<%=appRoot%>example.asp">Fields for your own pages</a>
 &middot; <a href="<%=appRoot%>zavData.xml">latest record (XML)</a></p>
</body>
</html>
