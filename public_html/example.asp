<!DOCTYPE html>
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=iso-8859-1">
<title><%=appName%>: fields for your own pages</title>
<link rel="stylesheet" type="text/css" href="<%=appRoot%>zav.css">
</head>
<body>
<h1>Fields for your own pages</h1>
<p>Any page ending in .asp in the web root is filled in before it is sent: each field
below, written between &lt;%= and %&gt;, is replaced by its value.</p>
<table class="zavPanel">
<tr><th>field</th><th>value now</th></tr>
<tr><td>Now</td><td><%=Now%></td></tr>
<tr><td>strZavEnergy</td><td><%=strZavEnergy%></td></tr>
<tr><td>strZavPower</td><td><%=strZavPower%></td></tr>
<tr><td>strZavTemp</td><td><%=strZavTemp%></td></tr>
<tr><td>lngZavEnergy</td><td><%=lngZavEnergy%></td></tr>
<tr><td>lngZavPower</td><td><%=lngZavPower%></td></tr>
<tr><td>lngZavTemp</td><td><%=lngZavTemp%></td></tr>
<tr><td>tempChannels</td><td><%=tempChannels%></td></tr>
<tr><td>querystring</td><td><%=querystring%></td></tr>
<tr><td>graphRangeIndex (r)</td><td><%=graphRangeIndex%></td></tr>
<tr><td>graphImgWidth (w)</td><td><%=graphImgWidth%></td></tr>
<tr><td>graphImgHeight (h)</td><td><%=graphImgHeight%></td></tr>
<tr><td>graphBgColor (b)</td><td><%=graphBgColor%></td></tr>
<tr><td>pwrFullScale (s)</td><td><%=pwrFullScale%></td></tr>
</table>
<p>The live graph: <code>&lt;img src="zavPlot.png?r=13&amp;w=600&amp;h=300"&gt;</code>;
the latest record: <a href="<%=appRoot%>zavData.xml">zavData.xml</a>.</p>
<p><img src="<%=appRoot%>zavPlot.png?<%=querystring%>" alt="power graph"></p>
</body>
</html>
