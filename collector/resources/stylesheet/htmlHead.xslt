<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template name="htmlHead">
    <xsl:variable name="levels" select="/GathrixResult/ActiveNavigation"/>
    <head>
      <meta http-equiv="Content-Type" content="text/html; charset=UTF-8"/>
      <link rel="shortcut icon" href="images/favicon.ico"/>
      <link rel="stylesheet" type="text/css" href="stylesheet/htmlstyle.css"/>
      <script type="text/javascript" src="scripts/treeviewFunctions.js"></script>
      <title>
        <xsl:text>Quellon Support Information: </xsl:text>
        <xsl:for-each select="$levels/Level1/Name | $levels/Level2/Name | $levels/Level3/Name">
          <xsl:if test="position() &gt; 1 and string(.) != ''"> - </xsl:if>
          <xsl:value-of select="."/>
        </xsl:for-each>
      </title>
    </head>
  </xsl:template>
</xsl:stylesheet>
